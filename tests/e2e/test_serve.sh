#!/bin/bash
# End to end without a display: tavrel --serve follows its formation file (replaced or
# rewritten slowly, never shown half-written; a damaged one keeps the last good layout),
# refuses a taken port and a damaged file, ends with 0 on SIGTERM, writes no recovery file.
# Usage: bash test_serve.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args serve "$@"
unset DISPLAY WAYLAND_DISPLAY
WRITE="/usr/bin/python3 $(dirname "$0")/formation_file.py"
PLAN="$OUT/plan.tvf"
json() { curl -s --max-time 5 "${URL}layout.json"; }
hero_x() { json | /usr/bin/python3 -c 'import json, sys; print(json.load(sys.stdin)["pieces"][1]["x"])' 2>/dev/null; }
version() { json | /usr/bin/python3 -c 'import json, sys; print(json.load(sys.stdin)["version"])' 2>/dev/null; }

# Unknown options and ones that do not go together: the one-line error with the hint, status 2.
for bad in --bogus "--port 8421" "--share --serve $OUT/x.tvf" "--serve --export $OUT/x.png $OUT/x.tvf" "--serve" \
  "--share --port 0" "--share --port 70000" "--share --port 12ab"; do
  status=$("$TAVREL" $bad >"$OUT/bad.out" 2>"$OUT/bad.err"; echo $?)
  check '[ $status = 2 ] && [ "$(wc -l <"$OUT/bad.err")" = 2 ] && tail -n 1 "$OUT/bad.err" | grep -q -- --help && [ ! -s "$OUT/bad.out" ] &&
    { [ "$bad" != --bogus ] || grep -q -- --bogus "$OUT/bad.err"; }' \
    "tavrel $bad is refused ($(head -n 1 "$OUT/bad.err"))"
done
check '[ "$("$TAVREL" --help >"$OUT/help.out" 2>"$OUT/help.err"; echo $?)" = 0 ] && [ ! -s "$OUT/help.err" ] && [ -z "$(for o in DATEI --version --share --serve --port; do grep -q -- "$o" "$OUT/help.out" || echo "$o"; done)" ]' \
  "--help prints the usage with --version, --share, --serve and --port, status 0"
check '[ "$("$TAVREL" --version)" = "tavrel 1.1.0" ]' "--version prints \"tavrel 1.1.0\""

# A port taken by another program.
rm -f "$OUT/taken.port"
/usr/bin/python3 -c 'import socket, sys, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(); print(s.getsockname()[1], flush=True); time.sleep(60)' \
  >"$OUT/taken.port" &
OWN_PIDS+=("$!")
wait_for 10 "a port to take" grep -qx '[0-9][0-9]*' "$OUT/taken.port"
$WRITE "$PLAN" 100 120
status=$("$TAVREL" --serve --port "$(cat "$OUT/taken.port")" "$PLAN" >"$OUT/taken.out" 2>"$OUT/taken.err"; echo $?)
check '[ $status = 1 ] && [ "$(wc -l <"$OUT/taken.err")" = 1 ] && [ ! -s "$OUT/taken.out" ]' \
  "a taken port: status 1 and one line on standard error ($(cat "$OUT/taken.err"))"

# A damaged file at start.
$WRITE "$OUT/cut.tvf" 100 120 cut
status=$("$TAVREL" --serve "$OUT/cut.tvf" >"$OUT/cut.out" 2>"$OUT/cut.err"; echo $?)
check '[ $status != 0 ] && grep -q unvollständig "$OUT/cut.err" && [ ! -s "$OUT/cut.out" ]' \
  "a damaged file at start: status $status, \"$(cat "$OUT/cut.err")\""

rm -f "$OUT/tavrel.out"  # not the address of an earlier run
"$TAVREL" --serve "$PLAN" >"$OUT/tavrel.out" 2>"$OUT/tavrel.err" </dev/null &
APP_PID=$!
wait_for 10 "the address" grep -q '^http://' "$OUT/tavrel.out" || exit 1
URL=$(sed -E 's#^http://(\[[^]]*\]|[^/]*):#http://127.0.0.1:#' "$OUT/tavrel.out")
check '[ "$(hero_x)" = 100 ] && [ "$(version)" = 1 ]' "the file's layout is served ($(json | head -c 300))"
check 'json | grep -q "\"view\":{\"x\":0,\"y\":0,\"width\":2048,\"height\":1536,\"zoom\":50}"' \
  "the view: the map's corner at the file's zoom over 1024 x 768 canvas pixels"

# Replaced by another program (written aside, then renamed over it).
$WRITE "$OUT/next.tvf" 500 120 && mv "$OUT/next.tvf" "$PLAN"
saved=$(date +%s%N)
wait_for 2 "" eval '[ "$(hero_x)" = 500 ]'
check '[ "$(hero_x)" = 500 ]' "a file replaced is shown within $((($(date +%s%N) - saved) / 1000000)) ms"

# Rewritten in place, slowly: the first half, a pause, the rest. Never shown half.
$WRITE "$OUT/next.tvf" 700 120
v=$(version)
head -c 150 "$OUT/next.tvf" >"$PLAN"
sleep 1
check '[ "$(hero_x)" = 500 ] && [ "$(version)" = "$v" ]' "a file half written is not shown"
tail -c +151 "$OUT/next.tvf" >>"$PLAN"
wait_for 3 "" eval '[ "$(hero_x)" = 700 ]'
check '[ "$(hero_x)" = 700 ]' "once complete it is shown"

# A damaged file: the last good layout stays, with a warning.
warnings() { grep -c Warnung "$OUT/tavrel.err"; }
before=$(warnings)
$WRITE "$PLAN" 900 120 cut
wait_for 3 "" eval '[ "$(warnings)" -gt "$before" ]'
check '[ "$(warnings)" -gt "$before" ] && [ "$(hero_x)" = 700 ]' \
  "a damaged file keeps the last good layout ($(grep Warnung "$OUT/tavrel.err" | tail -n 1))"

kill -TERM "$APP_PID"
wait_exit 10
check '[ "${EXIT_STATUS:-x}" = 0 ]' "SIGTERM ends it with status 0"
check '[ -z "$(ls -A "$XDG_STATE_HOME/tavrel" 2>/dev/null)" ]' "no recovery file was written"
e2e_finish serve
