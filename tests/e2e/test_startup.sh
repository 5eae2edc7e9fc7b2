#!/bin/bash
# End to end: no display: status 1 and a message; on one the level "Varn" in a 1286 x 800
# window that, closed without a change, asks nothing and ends with 0.
# Usage: bash test_startup.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args . "$@"
e2e_require

for display in "-u DISPLAY" DISPLAY=:9876; do  # none, and one that names no display
  env -u WAYLAND_DISPLAY $display timeout 30 "$TAVREL" >/dev/null 2>"$OUT/nodisplay.err" </dev/null; status=$?
  check '[ "$status" -eq 1 ] && grep -q "cannot open the main window" "$OUT/nodisplay.err"' \
    "$display: status 1 with a message (status $status, stderr: $(cat "$OUT/nodisplay.err"))"
done

e2e_display
e2e_start "$(dirname "$TAVREL")/pics/varn_map.jpg"
check '[ "$WW x $WH" = "1286 x 800" ]' "window \"Varn\" with a client area of 1286 x 800 ($WW x $WH)"
shot startup
request_close "$WIN"  # returns at the question or the end
window_of Tavrel >/dev/null && { fail "a question was asked although nothing changed"; shot close-question; }
if ! wait_exit 10; then fail "the program did not end on close"; shot close-hang
elif [ "$EXIT_STATUS" -ne 0 ]; then fail "exit status $EXIT_STATUS"
else pass "closed without a question, status 0"; fi
e2e_finish startup
