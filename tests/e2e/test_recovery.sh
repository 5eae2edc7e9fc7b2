#!/bin/bash
# End to end: a layout killed (kill -9, kill -TERM) is offered at the next start, restored
# and saved byte for byte as the recovery file held it; a kill without a change or a normal
# quit leaves nothing to ask about.
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args recovery "$@"
rm -f "$OUT"/*.tvf
MAP="$(dirname "$TAVREL")/pics/varn_map.jpg"
e2e_display
same() { [ "$(differing "$OUT/$1.png" "$OUT/$2.png" 4)" -lt 50 ]; }
# restore_and_save <name> <held formation>: Yes, then saved as <name>.tvf and compared.
restore_and_save() {
  wait_window Tavrel 5 && pass "the next start asks to restore the layout" || return
  shot question-$1
  reply Tavrel "" alt+y
  move 900 680 && settle && shot restored-$1
  same laid-out restored-$1 && pass "Yes shows the layout as it was (restored-$1.png)" ||
    fail "the restored layout differs from the one laid out"
  save_as "$1"
  cmp -s "$OUT/$1.tvf" "$2" && pass "saving writes it byte for byte" || fail "$1.tvf differs from the recovery file"
  request_close "$WIN" && wait_exit 10
}

# lay_out: the first hero dragged, a grave set with its two names.
lay_out() {
  e2e_start "$MAP"
  drag 41 36 400 300 4 && set_grave 300 400 && move 900 680 && settle
}

# Laid out, the recovery file waited for, then kill -9.
lay_out && shot laid-out
# Within 3 s of the last change the file holds it: the grave's text (UTF-16).
holds_grave() { grep -qaP 'A\x00n\x00n\x00a' "$(recovery_file)"; }
wait_for 3 "the recovery file with the grave within 3 s of the last change" holds_grave
stop_app KILL
formation_of "$(recovery_file)" >"$OUT/held.bin"
e2e_restart && restore_and_save after-kill "$OUT/held.bin"

# The same after kill -TERM at once: the signal writes the file, the program ends by it.
lay_out
rm -f "$XDG_STATE_HOME"/tavrel/recovery-*.tvf
stop_app TERM
check '[ "$EXIT_STATUS" = 143 ] && recovery_file >/dev/null' "SIGTERM writes the file and ends the program by the signal"
formation_of "$(recovery_file)" >"$OUT/held-term.bin"
e2e_restart && restore_and_save after-term "$OUT/held-term.bin"

# Killed without a change, or quit after a change answering No: nothing to ask.
e2e_start "$MAP" && stop_app KILL
e2e_restart && ! window_of Tavrel >/dev/null && pass "killed without a change, the next start asks nothing" ||
  fail "a question after a kill without a change"
drag 41 36 400 300 4 && request_close "$WIN" && reply Tavrel "" alt+n && wait_exit 10
check '[ "$EXIT_STATUS" = 0 ] && ! recovery_file >/dev/null' "quit on purpose, the recovery file goes"
e2e_restart && ! window_of Tavrel >/dev/null && pass "after a normal quit the next start asks nothing" ||
  fail "a question after a normal quit"
e2e_finish recovery
