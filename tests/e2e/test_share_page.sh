#!/bin/bash
# The players' page in headless Chromium against share_mock.py (on 127.0.0.1): a phone's
# touch, drag and pinch; on a TV tiles, labels, following, the marker, double buffering,
# bursts, another map, the server gone and back, and a silent event stream (40 s rule).
# Usage: bash test_share_page.sh <tavrel (not used)> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
OUT=$(readlink -m "${2:?output directory}/share-page") && rm -rf "$OUT" && mkdir -p "$OUT"
for tool in /usr/bin/chromium /usr/bin/chromedriver; do [ -x "$tool" ] || { echo "FAIL: $tool is missing" >&2; exit 1; }; done
/usr/bin/python3 -c 'import selenium' || { echo "FAIL: python3-selenium is missing" >&2; exit 1; }

# mock [first version]: the stand-in on $PORT (free at first), its pid in $OUT/mock.pid.
mock() { /usr/bin/python3 "$HERE/share_mock.py" "${PORT:-0}" "$KEY" "$@" >"$OUT/mock.out" 2>&1 & echo $! >"$OUT/mock.pid"; }
export -f mock
export HERE=$(dirname "$(readlink -f "$0")") KEY=Pr0beSchluesselAbc123xyz OUT
mock && MOCK=$(<"$OUT/mock.pid") && OWN_PIDS+=("$MOCK")
wait_for 10 "the stand-in server" grep -q PORT "$OUT/mock.out" || exit 1
export PORT=$(awk '/^PORT/ { print $2 }' "$OUT/mock.out")
URL=http://127.0.0.1:$PORT/$KEY/ C=http://127.0.0.1:$PORT/control
# Alrik (inscription with markup) at 400,300, Yasmina 520,320, a grave 900,700; the
# leader's view 0,0 1600x1000 of a 16384x16384 map.
RED="200 40 40" GREY="150 150 160"

# The phone's window, taller than the view, pinched about its middle (about 800,1730).
page "phone: map, tap, drag, pinch" --phone "$URL" \
  wait 20 map expect yes fits 0 0 1600 1000 expect yes pixel 424 324 near "$RED" \
  tap 424 324 expect "Alrik der Kühne <b>kein Fettdruck</b>" tap 920 720 expect "Hier ruht Borbarad" \
  screenshot "$OUT/phone.png" tap 1000 100 expect "" \
  drag 80 40 follow expect off fits 0 0 1600 1000 expect no click follow wait 5 fits 0 0 1600 1000 expect yes \
  scale remember pinch 2 scale more follow expect off wait 10 drawn 1026 1700 expect yes console-clean

# Tiles held back: version 2 loads while version 1 stays whole. The server goes and comes
# back with its versions started again; at last it falls silent: the page holds on for 40 s.
page "large screen" --tv "$URL" \
  wait 20 map expect yes version expect 1 state expect live follow expect on notice expect "" \
  status expect "Stand 1 · verbunden" fits 0 0 1600 1000 expect yes tiles at-most 45 \
  pixel 424 324 near "$RED" pixel 920 720 near "$GREY" drawn 200 200 expect yes drawn 1500 950 expect yes \
  hover 424 324 expect "Alrik der Kühne <b>kein Fettdruck</b>" hover 544 344 expect Yasmina \
  hover 1000 100 expect "" tap 920 720 expect "Hier ruht Borbarad" tap 1000 100 expect "" \
  get "$C/marker?x=800&y=500" wait 5 marker expect "800 500" screenshot "$OUT/tv.png" \
  get "$C/marker" wait 5 marker expect none \
  get "$C/view?x=8000&y=6000&width=2000&height=1000&zoom=50" wait 5 fits 8000 6000 2000 1000 expect yes \
  wait 10 drawn 8194 6500 expect yes scale remember key + scale more follow expect off \
  key ArrowLeft key - get "$C/view?x=0&y=0&width=1600&height=1000&zoom=100" hold 0.3 fits 0 0 1600 1000 expect no \
  click follow follow expect on wait 5 fits 0 0 1600 1000 expect yes wheel 300 follow expect off \
  click follow wait 5 fits 0 0 1600 1000 expect yes get "$C/delay?ms=1500" get "$C/move?name=Alrik&dx=300&dy=0" \
  wait 5 pending expect 2 version expect 1 pixel 424 324 near "$RED" pixel 724 324 far "$RED" \
  wait 10 version expect 2 pixel 724 324 near "$RED" pixel 424 324 far "$RED" drawn 424 324 expect yes \
  get "$C/delay?ms=0" get "$C/burst?n=30&ms=100" wait 2.5 version at-least 12 wait 10 version expect 32 \
  pixel 1444 564 near "$RED" drawn 724 324 expect yes drawn 1000 500 expect yes \
  get "$C/level?width=3000&height=2000" wait 10 version expect 33 pixel 1444 564 near "$RED" \
  drawn 1000 500 expect yes drawn 1500 900 expect yes fits 0 0 1600 1000 expect yes console-clean \
  run "kill $MOCK" wait 10 state expect stale status expect "Stand 33 · nicht verbunden" \
  notice expect "Verbindung unterbrochen – die Ansicht ist nicht aktuell. Neuer Versuch läuft …" \
  screenshot "$OUT/stale.png" run "mock 5" wait 15 state expect live wait 15 version expect 5 \
  notice expect "" pixel 424 324 near "$RED" drawn 1444 564 expect yes \
  get "$C/move?name=Alrik&dx=0&dy=100" wait 10 version expect 6 pixel 424 424 near "$RED" \
  get "$C/silence?on=1" hold 32 state expect live wait 16 state expect stale \
  get "$C/silence?on=0" wait 10 state expect live console-clean
OWN_PIDS+=("$(<"$OUT/mock.pid")")
e2e_finish "players' page"
