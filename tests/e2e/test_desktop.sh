#!/bin/bash
# End to end: a formation named on the command line or dropped from a file manager is loaded,
# anything else dropped refused; loaded and saved files join the recently used ones.
# Usage: bash test_desktop.sh <path-to-tavrel in its build folder> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args desktop "$@"
e2e_require
SOURCE="$(dirname "$TAVREL")/tests/tavrel_drag_source"
[ -x "$SOURCE" ] || { echo "FAIL: no drag source at $SOURCE" >&2; exit 1; }
rm -rf "$OUT"/*.tvf "$OUT/data"

# --- Formation files ---------------------------------------------------------------
# formation <file> <zoom> <x> <y>: the demo level's five heroes, the first at (x, y).
formation() {
  { printf '\x01'; le32 20; printf '\\\0\\\0P\0R\0O\0G\0D\0I\0R\0\\\0\\\0V\0a\0r\0n\0.\0g\0x\0m\0l\0'
    le32 5; le32 0; le32 0; printf "\\x$(printf %02x "$2")"
    for i in 0 1 2 3 4; do
      le32 "$i"; head -c 26 /dev/zero
      if [ "$i" = 0 ]; then le32 "$3"; le32 "$4"; else le32 $((25 + 32 * i)); le32 20; fi
      le32 0; head -c 240 /dev/zero
    done; head -c 512 /dev/zero; } >"$1"
}
formation "$OUT/plan.tvf" 90 400 300
formation "$OUT/moved.gls.tvf" 81 700 100
formation "$OUT/Moved.TVF" 72 300 200
echo "not a formation" >"$OUT/notes.txt"

e2e_display
export XDG_DATA_HOME="$OUT/data"  # the recently used files go there
e2e_launch plan.tvf
settle

# drop <file>: dragged from the drag source onto (600, 400) of the client area, step by step.
drop() {
  "$SOURCE" "$OUT/$1" &
  local pid=$! src sx sy
  REST_PIDS=("$pid")
  if wait_window "Drag source" 20 "$pid"; then
    src=$WAITED
    timeout 10 xdotool windowmove --sync "$src" 1450 300 2>/dev/null
    read -r sx sy < <(geometry "$src" | awk '{ print $1 + 60, $2 + 40 }')
    locate && xdotool mousemove "$sx" "$sy" && settle program && xdotool mousedown 1 && settle program
    for i in $(seq 1 12); do
      xdotool mousemove $((sx + (WX + 600 - sx) * i / 12)) $((sy + (WY + 400 - sy) * i / 12)) && settle program
    done
    xdotool mouseup 1 && settle
  fi
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  REST_PIDS=()
}

save_as start
check 'cmp -s "$OUT/plan.tvf" "$OUT/start.tvf"' "the file named on the command line was loaded (saved again byte for byte)"
drop notes.txt
shot refused
check '! window_of Tavrel >/dev/null' "a dropped text file is refused without a message"
drop moved.gls.tvf
shot dropped
save_as after-drop
check 'cmp -s "$OUT/moved.gls.tvf" "$OUT/after-drop.tvf"' "a dropped .tvf file is loaded"
drop Moved.TVF
save_as after-capitals
check '! window_of Tavrel >/dev/null && cmp -s "$OUT/Moved.TVF" "$OUT/after-capitals.tvf"' "a .TVF file (capitals) is loaded too"
# The recently used files are written a moment after the change: waited for, then checked.
recent_has() {
  recent=$(grep -o 'href="[^"]*"' "$OUT/data/recently-used.xbel" 2>/dev/null | tr '\n' ' ')
  [[ "$recent" == *"file://$OUT/plan.tvf"* && "$recent" == *"file://$OUT/start.tvf"* && "$recent" == *"file://$OUT/moved.gls.tvf"* ]]
}
wait_for 10 "" recent_has
check 'recent_has && [[ "$recent" != *notes.txt* ]]' "loaded and saved formations are among the recently used files"
e2e_finish desktop
