#!/bin/bash
# End to end: the map view on the demo level against the map picture: heroes, dragging,
# panning, the marker, idle processor time, zoom, "Neues Spiel", a larger window.
# Usage: bash test_map.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args map "$@"
MAP_PICTURE="$(dirname "$TAVREL")/pics/varn_map.jpg"
HERO_PICTURE="$(dirname "$TAVREL")/players/ritter.png"  # the first player's picture
e2e_require
[ -f "$MAP_PICTURE" ] || { echo "FAIL: no demo map picture at $MAP_PICTURE" >&2; exit 1; }

# screen_vs_map <shot> <x> <y> <w> <h> <mx> <my> [fuzz]: differing pixels of shot and map.
screen_vs_map() {
  crop "$OUT/$1.png" $((CX + $2)) $((CY + $3)) "$4" "$5" "$OUT/$1-screen.png"
  crop "$MAP_PICTURE" "$6" "$7" "$4" "$5" "$OUT/$1-map.png"
  differing "$OUT/$1-screen.png" "$OUT/$1-map.png" "${8:-6}"
}
# hero_vs <shot> <x> <y> <mx> <my>: differing pixels of shot and the hero over the map.
hero_vs() {
  convert "$MAP_PICTURE" -crop "32x32+$4+$5" +repage "$HERO_PICTURE" -composite "$OUT/$1-hero-expected.png"
  crop "$OUT/$1.png" $((CX + $2)) $((CY + $3)) 32 32 "$OUT/$1-hero.png"
  differing "$OUT/$1-hero.png" "$OUT/$1-hero-expected.png" 4
}

e2e_display
e2e_start "$MAP_PICTURE"
pass "the map shows at full size from its top-left corner"

# Five heroes in a row at the top, the first one exactly its picture over the map.
heroes=0
for i in 0 1 2 3 4; do [ "$(screen_vs_map start $((29 + 32 * i)) 24 24 24 $((29 + 32 * i)) 24)" -gt 150 ] && heroes=$((heroes + 1)); done
beside=$(screen_vs_map start 189 24 24 24 189 24)
check '[ "$heroes" = 5 ] && [ "$beside" -lt 40 ] && [ "$(hero_vs start 25 20 25 20)" -lt 20 ]' "five heroes in a row at the top"

# The hero pressed in its middle, dropped at (400, 300): his corner at (384, 284).
drag 41 36 400 300 10
shot dragged
check '[ "$(hero_vs dragged 384 284 384 284)" -lt 20 ] && [ "$(screen_vs_map dragged 29 24 24 24 29 24)" -lt 40 ]' \
  "the dragged hero shows at (384, 284) and its old place shows the map"

# Pressed on free map, the pointer moved 100 left and 50 up: the origin is (100, 50).
drag 700 500 600 450 10
shot panned
check '[ "$(screen_vs_map panned 500 300 120 80 600 350)" -lt 100 ] && [ "$(hero_vs panned 284 234 384 284)" -lt 20 ]' \
  "panning moved the picture by (100, 50), the hero with it"

# The rings around the double-clicked point (500, 400) reach from x - r - 4 to x + r.
red_box() {
  convert "$OUT/$1.png" -crop "160x160+$((CX + 420))+$((CY + 320))" +repage \
    -fx '(r > 0.94 && g < 0.12 && b < 0.12) ? 1 : 0' -format '%[fx:round(mean * w * h)] %@\n' info: 2>/dev/null
}
# <shot> <red pixels at least> <box at least that wide>: the rings seen in a new screenshot.
rings() { shot "$1" && read -r red box < <(red_box "$1") && [ "$red" -ge "$2" ] && [ "${box%%x*}" -ge "$3" ]; }
red=0 box=0x0+0+0
move 500 400 && xdotool click --repeat 2 --delay 60 1
wait_for 3 "rings grown to 40 pixels" rings marker 1 40
centre=$(awk -v b="$box" 'BEGIN { split(b, v, /[x+]/); printf "%d,%d", v[3] + v[1] / 2, v[4] + v[2] / 2 }')
check '[ "$red" -gt 0 ] && [[ "$centre" =~ ^7[789],7[789]$ ]] && wait_for 6 "" eval "rings marker-gone 0 0 && [ \$red = 0 ]"' \
  "the marker's rings show around the point after a double-click ($red red pixels, centred at $centre) and go"

# Left alone: next to no processor time, and no wake-ups at all.
settle && read -r ticks wakes < <(usage 10)
check '[ "$ticks" -le $(($(getconf CLK_TCK) / 4)) ] && [ "$wakes" -le 20 ]' \
  "left alone, the program used $ticks clock ticks and woke $wakes times in 10 s"

# At 90 per cent canvas pixel (x, y) shows map pixel (100 + x / 0.9, 50 + y / 0.9).
key ctrl+KP_Subtract
shot zoom90
crop "$OUT/zoom90.png" $((CX + 450)) $((CY + 270)) 180 90 "$OUT/zoom90-screen.png"
convert "$MAP_PICTURE" -crop 200x100+600+350 +repage -sample '180x90!' "$OUT/zoom90-map.png"
scaled=$(differing "$OUT/zoom90-screen.png" "$OUT/zoom90-map.png" 8)
unscaled=$(screen_vs_map zoom90 450 270 180 90 550 320 8)
check '[ "$scaled" -lt 1600 ] && [ "$unscaled" -gt $((scaled * 2)) ]' \
  "Ctrl+keypad Minus shows the map at 90 per cent ($scaled of 16200 pixels off, $unscaled unscaled)"
key ctrl+Return
shot zoom100
check '[ "$(screen_vs_map zoom100 450 270 180 90 550 320)" -lt 100 ]' "Ctrl+Return shows the map at full size again"

# "Neues Spiel" (by mouse) asks nothing and takes the hero back to the top.
xdotool mousemove --window "$WIN" 20 12 click 1 && wait_for 10 "a menu" menu_of && xdotool mousemove --window "$WIN" 60 37 click 1
wait_gone "$WAITED" && settle && shot new-game
check '! window_of Tavrel >/dev/null && [ "$(screen_vs_map new-game 288 238 24 24 388 288)" -lt 40 ]' \
  "\"Neues Spiel\" took the hero back without a question"

# A larger window shows more of the map (shot reads where the window manager keeps it).
xdotool windowsize "$WIN" 1500 950 && wait_for 10 "window Varn at 1500 x 950" eval 'locate; [ "$WW $WH" = "1500 950" ]' && settle
shot larger
check '[ "$(screen_vs_map larger 1300 820 150 80 1400 870)" -lt 100 ]' "the canvas grows with the window"
e2e_finish map
