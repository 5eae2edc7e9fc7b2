#!/bin/bash
# End to end: GDK_SCALE=2 on an Xvfb of its own: at zoom 100 the map is the picture
# doubled without smoothing, and a drag moves the hero under the pointer.
# Usage: bash test_hidpi.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args hidpi "$@"
e2e_require
MAP_PICTURE="$(dirname "$TAVREL")/pics/varn_map.jpg"
HERO_PICTURE="$(dirname "$TAVREL")/players/ritter.png"

e2e_xvfb 3000x1750
e2e_display  # the window manager on it
export GDK_SCALE=2

e2e_launch
# Map pixel (0, 0) on the screen: found by the map's part at (300, 300), doubled.
convert "$MAP_PICTURE" -crop 100x60+300+300 +repage -sample 200% "$OUT/probe-map.png"
doubled_map_shown() {
  shot start && crop "$OUT/start.png" $((WX + 450)) $((WY + 500)) 400 350 "$OUT/probe-screen.png"
  MATCH=$(compare -metric AE -fuzz 6% -subimage-search "$OUT/probe-screen.png" "$OUT/probe-map.png" null: 2>&1)
  [[ "$MATCH" =~ ^([0-9]+)\ @\ ([0-9]+),([0-9]+) ]] && [ "${BASH_REMATCH[1]}" -lt 100 ] &&
    MAP_X=$((450 + BASH_REMATCH[2] - 600)) MAP_Y=$((500 + BASH_REMATCH[3] - 600))
}
wait_for 20 "" doubled_map_shown || { fail "the doubled map is not in the window ($MATCH)"; e2e_finish hidpi; }
settle && shot start

# 300 x 150 map pixels from (400, 250), doubled, against the screen.
crop "$OUT/start.png" $((CX + 800)) $((CY + 500)) 600 300 "$OUT/screen.png"
convert "$MAP_PICTURE" -crop 300x150+400+250 +repage -sample 200% "$OUT/sharp.png"
convert "$MAP_PICTURE" -crop 300x150+400+250 +repage -resize 200% "$OUT/smooth.png"
sharp=$(differing "$OUT/screen.png" "$OUT/sharp.png" 3) smooth=$(differing "$OUT/screen.png" "$OUT/smooth.png" 3)
check '[ "$sharp" -le 20 ] && [ "$smooth" -gt 2000 ]' \
  "at zoom 100 each map pixel covers 2 x 2 screen pixels ($sharp of 180000 pixels off; $smooth against a smooth scaling)"

# The first hero pressed at map (41, 36), dropped at layout point (400, 300) of the gadget
# area (one pixel before the map's): his corner at map (384, 284). drag in screen pixels from map (0, 0).
MAP_X=$((MAP_X + 1)) MAP_Y=$((MAP_Y + 1)) && drag 82 72 798 598 10 && move 1600 1200 && settle
MAP_X=$((MAP_X - 1)) MAP_Y=$((MAP_Y - 1))
shot dragged
convert "$MAP_PICTURE" -crop 32x32+384+284 +repage "$HERO_PICTURE" -composite -sample 200% "$OUT/hero-expected.png"
crop "$OUT/dragged.png" $((CX + 768 - 40)) $((CY + 568 - 40)) 144 144 "$OUT/hero-area.png"
r=$(compare -metric AE -fuzz 4% -subimage-search "$OUT/hero-area.png" "$OUT/hero-expected.png" null: 2>&1)
check '[[ "$r" =~ ^([0-9]+)\ @\ 40,40$ ]] && [ "${BASH_REMATCH[1]}" -le 20 ]' "a drag moves the hero under the pointer, drawn sharp ($r)"
e2e_finish hidpi
