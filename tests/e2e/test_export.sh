#!/bin/bash
# End to end: tavrel --export without a display (errors included), then the two picture
# exports from the menu "Spiel" compared with the screen.
# Usage: bash test_export.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args export "$@"
MAP_PICTURE="$(dirname "$TAVREL")/pics/varn_map.jpg"
e2e_require identify
rm -f "$OUT"/*.png "$OUT"/*.tvf "$OUT"/*.err

# --- On the command line, without a display ------------------------------------
# export_cli <name or path> [formation]: tavrel --export into $OUT/<name> without a display; sets STATUS and ERR.
export_cli() {
  local to=$1
  [[ $to == /* ]] || to=$OUT/$1
  env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 "$TAVREL" --export "$to" ${2:+"$2"} >"$OUT/cli.out" 2>"$OUT/cli.err" </dev/null
  STATUS=$? ERR=$(cat "$OUT/cli.err")
}
size_of() { identify -format '%wx%h %m' "$1" 2>/dev/null; }

# The demo level with a hero and a grave at (300, 400) inscribed "Ruhe <b>sanft</b>".
/usr/bin/python3 "$(dirname "$0")/formation_file.py" "$OUT/plan.tvf" 100 120

export_cli cli.png
check '[ "$STATUS" = 0 ] && [ -z "$ERR" ] && [ "$(size_of "$OUT/cli.png")" = "3000x2000 PNG" ]' \
  "--export writes the demo map as a 3000 x 2000 PNG without a display ($STATUS: $ERR)"
export_cli plan.png "$OUT/plan.tvf"
check '[ "$STATUS" = 0 ] && [ -z "$ERR" ] && grep -aq "Grabstein.300,400: Ruhe <b>sanft</b>" "$OUT/plan.png"' \
  "with a formation its inscription is in the picture's texts ($STATUS: $ERR)"
export_cli missing.png "$OUT/no-such.tvf"
check '[ "$STATUS" = 1 ] && [ "$ERR" = "tavrel: Die Datei konnte nicht geöffnet werden." ] && [ ! -e "$OUT/missing.png" ]' \
  "a missing formation: status 1, the reason, no picture ($STATUS: $ERR)"
{ printf '\x02'; tail -c +2 "$OUT/plan.tvf"; } >"$OUT/damaged.tvf"
export_cli damaged.png "$OUT/damaged.tvf"
check '[ "$STATUS" = 1 ] && [[ "$ERR" == *"nicht kompatibel"* ]] && [ ! -e "$OUT/damaged.png" ]' \
  "a damaged formation: status 1, the reason, no picture ($STATUS: $ERR)"
head -c 100 "$OUT/plan.tvf" >"$OUT/cut.tvf"
export_cli cut.png "$OUT/cut.tvf"
check '[ "$STATUS" = 0 ] && [[ "$ERR" == "tavrel: Die Datei ist unvollständig."* ]] && [ "$(size_of "$OUT/cut.png")" = "3000x2000 PNG" ]' \
  "a formation cut short loads what is there, with a warning ($STATUS: $ERR)"
# A folder that takes no file: write-protected (root passes that check: /proc then).
mkdir -p "$OUT/locked" && chmod 555 "$OUT/locked"
locked="$OUT/locked"; [ "$(id -u)" = 0 ] && locked=/proc
export_cli "$locked/x.png"
check '[ "$STATUS" = 1 ] && [ "$ERR" = "tavrel: Die Datei konnte nicht erstellt werden." ] && [ -z "$(ls -A "$OUT/locked")" ]' \
  "a folder that takes no file: status 1, the reason ($STATUS: $ERR)"
chmod 755 "$OUT/locked"

# --- From the menu, on a display -------------------------------------------------
e2e_display
e2e_start "$MAP_PICTURE"

# The first hero dragged to (400, 300), the pointer away from every piece.
drag 41 36 400 300 4 && move 1100 700 && settle && shot layout
read -r CW CH < <(xwininfo -id "$WIN" | awk '/^ *Width:/ {w = $2} /^ *Height:/ {h = $2} END {print w - 4, h - 25 - 4}')

spiel 5 && reply "Tavrel - Als Bild exportieren" bild Return 5  # "Als Bild exportieren …"
wait_for 20 "bild.png after \"Als Bild exportieren …\"" test -s "$OUT/bild.png" && settle
crop "$OUT/layout.png" "$CX" "$CY" 1000 600 "$OUT/layout-screen.png"
crop "$OUT/bild.png" 0 0 1000 600 "$OUT/layout-picture.png"
check '[ "$(size_of "$OUT/bild.png")" = "3000x2000 PNG" ] && [ "$(differing "$OUT/layout-screen.png" "$OUT/layout-picture.png" 0)" = 0 ]' \
  "\"Als Bild exportieren …\" writes bild.png: the whole map, where the screen shows it the same pixels"
[ "$(differing "$OUT/bild.png" "$OUT/cli.png" 0)" -gt 500 ] && pass "the picture shows the moved hero" ||
  fail "the picture does not differ from the layout at start"

spiel 6 && reply "Tavrel - Ansicht als Bild exportieren" ansicht Return 5  # "Ansicht als Bild exportieren …"
wait_for 20 "ansicht.png after \"Ansicht als Bild exportieren …\"" test -s "$OUT/ansicht.png" && settle
read -r VW VH < <(identify -format '%w %h' "$OUT/ansicht.png")
crop "$OUT/layout.png" "$CX" "$CY" "$VW" "$VH" "$OUT/view-screen.png"
check '[ "$VW" -ge "$CW" ] && [ "$VW" -le $((CW + 4)) ] && [ "$(differing "$OUT/view-screen.png" "$OUT/ansicht.png" 0)" = 0 ]' \
  "\"Ansicht als Bild exportieren …\" writes what the map canvas shows (${VW} x ${VH})"
e2e_finish export
