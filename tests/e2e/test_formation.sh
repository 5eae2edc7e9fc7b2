#!/bin/bash
# End to end: a formation changed, saved by typing a name into the save requester,
# comes back through the open requester after "Neues Spiel".
# Usage: bash test_formation.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args formation "$@"
rm -f "$OUT"/*.tvf
e2e_display

shot() { sleep 1; import -window root "$OUT/$1.png" 2>/dev/null; }
differing() { compare -metric AE -fuzz 4% "$OUT/$1.png" "$OUT/$2.png" null: 2>&1 | awk '{ printf "%d", $1 }'; }
# F10 opens the menu "Spiel"; the keys choose the item (Down n times: the n-th from the top).
menu() { xdotool key --clearmodifiers F10 sleep 0.3 "$@" sleep 0.3 key Return sleep 1; }
# Types into the file requester and confirms, again while it stays open.
answer() {
  xdotool type --delay 30 "$1"
  for _ in 1 2 3; do xdotool sleep 0.5 key Return sleep 1 search --onlyvisible --name '^Tavrel - Auf' >/dev/null || return 0; done
  fail "the file requester stays open after $1"
}

e2e_start "$(dirname "$TAVREL")/pics/varn_map.jpg"
X=$WX Y=$WY
# The first hero's middle is at about (41, 36) of the map, below the menu bar.
xdotool mousemove $((X + 42)) $((Y + 62)) sleep 0.3 mousedown 1 sleep 0.3 mousemove $((X + 200)) $((Y + 200)) \
  sleep 0.3 mousemove $((X + 401)) $((Y + 326)) sleep 0.3 mouseup 1 sleep 0.3 mousemove $((X + 900)) $((Y + 700))
xdotool sleep 1 key --clearmodifiers ctrl+KP_Subtract
shot changed
menu key Down Down Down Down
answer plan
read -r size zoom hx hy <<<"$(echo $(stat -c %s "$OUT/plan.tvf"; od -A n -t u1 -j 57 -N 1 "$OUT/plan.tvf"; od -A n -t d4 -j 88 -N 8 "$OUT/plan.tvf"))"
[ "$size,$zoom" = 1980,90 ] && [ "$hx,$hy" != 25,20 ] && pass "plan.tvf: zoom 90, the first hero at ($hx, $hy)" ||
  fail "plan.tvf: $size bytes, zoom $zoom, the first hero at ($hx, $hy)"

menu key Down
shot new
menu key Down Down Down
answer "$OUT/plan.tvf"
shot loaded
new=$(differing changed new) loaded=$(differing changed loaded)
[ "$new" -gt 1000 ] && [ "$loaded" -lt 50 ] && pass "the formation comes back ($loaded pixels differ)" ||
  fail "after loading $loaded pixels differ from the saved scene ($new after \"Neues Spiel\")"
e2e_finish formation
