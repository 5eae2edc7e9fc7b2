#!/bin/bash
# End to end: tavrel --share and its page in headless Chromium: the address, the QR code
# window, a grave's inscription, a dragged hero followed live, closing ends sharing.
# Usage: bash test_share.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args share "$@"
MAP="$(dirname "$TAVREL")/pics/varn_map.jpg"
e2e_display
e2e_require /usr/bin/chromium /usr/bin/chromedriver

e2e_start "$MAP" --share
wait_for 10 "the address on standard output" grep -q '^http://' "$OUT/tavrel.out" || exit 1
ADDRESS=$(head -n 1 "$OUT/tavrel.out")
check '[ "$(wc -l <"$OUT/tavrel.out")" = 1 ] && [[ "$ADDRESS" =~ ^http://[^/]+:84[234][0-9]/[A-Za-z0-9_-]{22,}/$ ]]' \
  "one line with the address: $ADDRESS"
# Tests talk to loopback only, whatever address the program names.
URL=$(sed -E 's#^http://(\[[^]]*\]|[^/]*):#http://127.0.0.1:#' <<<"$ADDRESS")
PORT=$(sed -E 's#.*:([0-9]+)/.*#\1#' <<<"$URL")

wait_window "Mitspieler-Ansicht" || exit 1
SHARE_WIN=$WAITED
import -window "$SHARE_WIN" "$OUT/share-window.png"
dark=$(convert "$OUT/share-window.png" -threshold 50% -negate -format '%[fx:round(mean * w * h)]' info:)
check '[ "$dark" -gt 8000 ]' "the window shows the QR code and the address ($dark dark pixels; look at share-window.png)"
timeout 10 xdotool windowactivate --sync "$WIN" 2>/dev/null

# A grave at (300, 400) with an inscription, set as a user would.
set_grave 300 400

# The first hero (map 25..57, 20..52) dragged to map (401, 336) during the browser session.
locate
steps=""
for i in $(seq 0 12); do
  steps+="mousemove $((CX + 41 + 360 * i / 12)) $((CY + 36 + 300 * i / 12)) sleep 0.05 "
  [ "$i" = 0 ] && steps+="mousedown 1 sleep 0.1 "
done
DRAG="xdotool $steps mouseup 1"
CLOSE="xdotool windowactivate --sync $SHARE_WIN key --clearmodifiers alt+F4"
page "the page follows the program" --tv "$URL" \
  wait 20 map expect yes state expect live version remember screenshot "$OUT/page-start.png" \
  tap 316 416 hover 41 36 expect Aldric \
  run "$DRAG" wait 10 version more wait 10 drawn 401 336 expect yes wait 10 drawn 41 36 expect yes \
  get "${URL}layout.json" \
  screenshot "$OUT/page-dragged.png" console-clean \
  run "$CLOSE" wait 20 state expect stale notice
label=$(sed -n 's/^tap 316 416: //p' "$OUT/the-page-follows-the-program.log")
check '[[ "$label" == *Anna* ]]' "tapping the grave shows its inscription (\"$label\")"
# Where the program dropped the hero (pressed 16 from his corner; a pixel of slack for the canvas's frame).
hero=$(grep -o '"name":"Aldric","x":[0-9]*,"y":[0-9]*' "$OUT/the-page-follows-the-program.log" | grep -o '[0-9]*' | tr '\n' ' ')
check '[[ "$hero" =~ ^38[4-7]\ 3(19|2[0-2])\ $ ]]' "the page followed the hero to where the program dropped it ($hero)"
check 'grep -q "Verbindung" "$OUT/the-page-follows-the-program.log"' "the page says that the connection is gone"
check 'kill -0 "$APP_PID" && gone "$SHARE_WIN"' "closing \"Mitspieler-Ansicht\" leaves the program running"
check '! (exec 3<>/dev/tcp/127.0.0.1/"$PORT") 2>/dev/null' "nothing listens on port $PORT any more"
e2e_finish share
