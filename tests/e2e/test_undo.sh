#!/bin/bash
# End to end: a drag undone and redone, a grave undone (the saved file has none), a load
# over a changed layout undone; back at what was saved, quitting asks nothing.
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args undo "$@"
rm -f "$OUT"/*.tvf
e2e_display
e2e_start "$(dirname "$TAVREL")/pics/varn_map.jpg"
same() { [ "$(differing "$OUT/$1.png" "$OUT/$2.png" 4)" -lt 50 ]; }

move 900 680 && settle && shot start
drag 41 36 400 300 4 && move 900 680 && settle && shot dragged
key ctrl+z && shot undone
key ctrl+shift+z && shot redone
same start undone && pass "Ctrl+Z puts the hero back (undone.png)" || fail "the hero is not back after Ctrl+Z"
same dragged redone && ! same start redone && pass "Ctrl+Shift+Z moves him again" ||
  fail "Ctrl+Shift+Z did not move him again"

set_grave 300 400 && move 900 680 && settle && shot grave
key ctrl+z && shot grave-undone
same redone grave-undone && ! same redone grave && pass "the grave goes with Ctrl+Z" || fail "the grave stays"
save_as plan
# 5 heroes, level reference of 20 units: graves counted at byte 49, no text: 1980 bytes.
check '[ "$(od -A n -t d4 -j 49 -N 4 "$OUT/plan.tvf" | tr -d " "),$(stat -c %s "$OUT/plan.tvf")" = 0,1980 ]' "plan.tvf holds no grave and no text"

drag 73 36 600 500 4 && move 900 680 && settle && shot changed
spiel 3 && reply 'Tavrel - Aufstellung laden' "$OUT/plan.tvf" Return 5 && move 900 680 && settle && shot loaded
same redone loaded && pass "plan.tvf loaded over the changed layout" || fail "the loaded layout is not plan.tvf's"
key ctrl+z && shot load-undone
same changed load-undone && pass "Ctrl+Z takes the load back" || fail "the layout before the load did not come back"

key ctrl+y && settle   # back at what was loaded: nothing to save
request_close "$WIN"
wait_exit 10 && [ "$EXIT_STATUS" = 0 ] && pass "back at the saved layout, quitting asks nothing" ||
  { fail "quitting asked or failed (status ${EXIT_STATUS:-none})"; shot quit; }
e2e_finish undo
