#!/bin/bash
# The players' page in headless Chromium against share_mock.py, which stands in
# for the program's sharing server on 127.0.0.1: the map drawn from the tiles
# of the visible part only, inscriptions as plain text, following the leader's
# view, the marker, a new layout shown only once complete, keeping up with ten
# versions a second, another map, and the notice and the way back when the
# server goes away or falls silent. On a TV-sized window and on a phone.
# Usage: bash test_share_page.sh <tavrel (not used)> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
HERE=$(dirname "$(readlink -f "$0")")
OUT=$(readlink -m "${2:?output directory}/share-page") && rm -rf "$OUT" && mkdir -p "$OUT"
PY=/usr/bin/python3
KEY=Pr0beSchluesselAbc123xyz
for tool in /usr/bin/chromium /usr/bin/chromedriver; do
  [ -x "$tool" ] || { echo "FAIL: $tool is missing" >&2; exit 1; }
done
"$PY" -c 'import selenium' || { echo "FAIL: python3-selenium is missing" >&2; exit 1; }

# start_server [options of share_mock.py]: on $PORT (a free one the first time).
start_server() {
  : >"$OUT/server.out"
  "$PY" "$HERE/share_mock.py" --port "${PORT:-0}" --key "$KEY" "$@" >"$OUT/server.out" 2>&1 &
  SERVER=$!
  OWN_PIDS+=("$SERVER")
  wait_for 10 "the server" grep -q PORT "$OUT/server.out" || exit 1
  PORT=$(awk '/^PORT/ { print $2 }' "$OUT/server.out")
  URL=http://127.0.0.1:$PORT/$KEY/ CONTROL=http://127.0.0.1:$PORT/control
}
start_server
# The stand-in's pieces: Alrik (a hero with an inscription holding markup) at
# 400,300, Yasmina (no inscription) at 520,320, a grave at 900,700, 48 pixels
# a side (the grave 40); the leader's view 0,0 1600x1000 of a 16384x16384 map,
# which needs 8 x 5 tiles and the whole map's one on a 1920x1080 window.
RED="200 40 40 30" GREY="150 150 160 30"
page "large screen: map, pieces, inscriptions, marker, following" --tv "$URL" \
  wait-map 20 version expect 1 state expect live follow expect on notice expect "" \
  status expect "Stand 1 · verbunden" \
  fits 0 0 1600 1000 expect yes tiles at-most 45 \
  near 424 324 $RED near 920 720 $GREY drawn 200 200 expect yes drawn 1500 950 expect yes \
  hover 424 324 expect "Alrik der Kühne <b>kein Fettdruck</b>" hover 544 344 expect Yasmina \
  hover 1000 100 expect "" tap 920 720 expect "Hier ruht Borbarad" tap 1000 100 expect "" \
  get "$CONTROL/marker?x=800&y=500" wait-marker "800 500" 5 screenshot "$OUT/tv.png" \
  get "$CONTROL/marker" wait-marker none 5 \
  get "$CONTROL/view?x=8000&y=6000&width=2000&height=1000&zoom=50" wait-fits 8000 6000 2000 1000 5 \
  wait-drawn 8194 6500 10 \
  scale remember key + scale more follow expect off fits 8000 6000 2000 1000 expect no \
  key ArrowLeft key - get "$CONTROL/view?x=0&y=0&width=1600&height=1000&zoom=100" sleep 0.3 \
  fits 0 0 1600 1000 expect no click follow follow expect on wait-fits 0 0 1600 1000 5 \
  wheel 300 follow expect off click follow \
  console-clean

# A new layout replaces the shown one only when its tiles are there: with the
# tiles held back, version 2 loads while version 1 stays whole on screen.
page "large screen: a new layout only once complete, keeping up with ten a second" --tv "$URL" \
  get "$CONTROL/view?x=0&y=0&width=1600&height=1000&zoom=100" wait-map 20 get "$CONTROL/delay?ms=1500" get "$CONTROL/move?name=Alrik&dx=300&dy=0" \
  wait-pending 2 5 version expect 1 near 424 324 $RED pixel 724 324 expect-not "200 40 40" \
  wait-shown 2 10 near 724 324 $RED pixel 424 324 expect-not "200 40 40" drawn 424 324 expect yes \
  get "$CONTROL/delay?ms=0" \
  get "$CONTROL/burst?n=30&ms=100" wait-version 12 2.5 wait-shown 32 10 \
  near 1444 564 $RED drawn 1444 564 expect yes drawn 724 324 expect yes drawn 1000 500 expect yes \
  get "$CONTROL/level?width=3000&height=2000" wait-shown 33 10 near 1444 564 $RED \
  drawn 1500 900 expect yes wait-fits 0 0 1600 1000 5 console-clean

# The server goes away: the notice, the layout greyed; it comes back on the
# same port and key (its versions started again) and the page with it.
page "large screen: connection lost and back" --tv "$URL" \
  wait-map 20 run "kill $SERVER" wait-state stale 10 \
  notice expect "Verbindung unterbrochen – die Ansicht ist nicht aktuell. Neuer Versuch läuft …" \
  status expect "Stand 33 · nicht verbunden" screenshot "$OUT/stale.png" \
  run "$PY $HERE/share_mock.py --port $PORT --key $KEY --version 5 >$OUT/server2.out 2>&1 & echo \$! >$OUT/server2.pid" \
  wait-state live 15 wait-shown 5 15 near 424 324 $RED drawn 1444 564 expect yes notice expect "" \
  get "$CONTROL/move?name=Alrik&dx=0&dy=100" wait-shown 6 10 near 424 424 $RED
if [ -s "$OUT/server2.pid" ]; then OWN_PIDS+=("$(cat "$OUT/server2.pid")"); else start_server --version 5; fi

# Nothing at all on the event stream, not even a comment: the page holds on
# for 40 s and then reconnects by itself.
page "large screen: a silent event stream is left after 40 s" --tv "$URL" \
  wait-map 20 get "$CONTROL/silence?on=1" sleep 32 state expect live \
  wait-state stale 15 get "$CONTROL/silence?on=0" wait-state live 10

# A phone: touch, pinch, the inscription on a tap. The phone's window, taller
# than the leader's view, shows the map below it too (its middle at about
# 800,1730): the pinch spreads about the middle. The map's lines (4 pixels
# wide every 256) show only in its finest tiles.
page "phone: map, tap, drag, pinch" --phone "$URL" \
  wait-map 20 fits 0 0 1600 1000 expect yes near 424 424 $RED \
  tap 424 424 expect "Alrik der Kühne <b>kein Fettdruck</b>" tap 920 720 expect "Hier ruht Borbarad" \
  screenshot "$OUT/phone.png" tap 1000 100 expect "" \
  drag 80 40 follow expect off fits 0 0 1600 1000 expect no click follow wait-fits 0 0 1600 1000 5 \
  scale remember pinch 2 scale more follow expect off wait-drawn 1026 1700 10 console-clean

e2e_finish "players' page"
