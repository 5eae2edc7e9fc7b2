#!/bin/bash
# End to end: a formation changed, saved by typing a name into the save requester,
# comes back through the open requester after "Neues Spiel".
# Usage: bash test_formation.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args formation "$@"
rm -f "$OUT"/*.tvf
e2e_display

e2e_start "$(dirname "$TAVREL")/pics/varn_map.jpg"
# The first hero's middle is at about (41, 36) of the map.
drag 41 36 400 300 2 && move 900 680 && settle program
key ctrl+KP_Subtract && shot changed
save_as plan
read -r size zoom hx hy <<<"$(echo $(stat -c %s "$OUT/plan.tvf"; od -A n -t u1 -j 57 -N 1 "$OUT/plan.tvf"; od -A n -t d4 -j 88 -N 8 "$OUT/plan.tvf"))"
[ "$size,$zoom" = 1980,90 ] && [ "$hx,$hy" != 25,20 ] && pass "plan.tvf: zoom 90, the first hero at ($hx, $hy)" ||
  fail "plan.tvf: $size bytes, zoom $zoom, the first hero at ($hx, $hy)"

menu Down && settle && shot new
menu Down Down Down && reply 'Tavrel - Aufstellung laden' "$OUT/plan.tvf" Return 5 && settle && shot loaded
new=$(differing "$OUT/changed.png" "$OUT/new.png" 4) loaded=$(differing "$OUT/changed.png" "$OUT/loaded.png" 4)
[ "$new" -gt 1000 ] && [ "$loaded" -lt 50 ] && pass "the formation comes back ($loaded pixels differ)" ||
  fail "after loading $loaded pixels differ from the saved scene ($new after \"Neues Spiel\")"
e2e_finish formation
