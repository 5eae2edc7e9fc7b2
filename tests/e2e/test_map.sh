#!/bin/bash
# End to end: the map view of Tavrel on the demo level. The five heroes stand
# in a row at the top; dragging a hero moves it and draws it at the new place;
# panning moves the picture; a double-click shows the marker, which is gone
# after three seconds; Ctrl+keypad Minus shows the map at 90 per cent and
# Ctrl+Return at full size again; left alone, the program uses next to no
# processor time. Checked on screenshots against the map picture itself.
#
# Usage: bash test_map.sh <path-to-tavrel> <outdir>
# Uses the display in DISPLAY (starting openbox there if no window manager
# runs); without DISPLAY it starts its own Xvfb and openbox.
set -u

TAVREL=$(readlink -f "${1:?path to tavrel}")
OUT=${2:?output directory}
mkdir -p "$OUT/map"
OUT=$(readlink -f "$OUT/map")
DATA=$(dirname "$TAVREL")
MAP_PICTURE="$DATA/pics/varn_map.jpg"
HERO_PICTURE="$DATA/players/ritter.png"  # the first player's picture

. "$(dirname "$0")/e2e_lib.sh"

[ -x "$TAVREL" ] || { echo "FAIL: $TAVREL is not an executable" >&2; exit 1; }
[ -f "$MAP_PICTURE" ] || { echo "FAIL: no demo map picture at $MAP_PICTURE" >&2; exit 1; }
for tool in xdotool xwininfo xprop import convert compare openbox; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing" >&2; exit 1; }
done

# --- A display with a window manager -----------------------------------------
e2e_display

# --- Picture helpers -----------------------------------------------------------
shot() { import -window root "$OUT/$1.png" 2>/dev/null; }
# crop <image> <x> <y> <w> <h> <out>
crop() { convert "$1" -crop "${4}x${5}+${2}+${3}" +repage "$6"; }
# Number of pixels that differ by more than <fuzz> per cent.
differing() {
  local r
  r=$(compare -metric AE -fuzz "${3:-6}%" "$1" "$2" null: 2>&1)
  awk -v v="${r%% *}" 'BEGIN { printf "%d\n", v + 0 }'
}
# differing pixels between the screen region at canvas (x, y) of size w x h
# and the map picture's region at map (mx, my); <name> names the files.
screen_vs_map() {
  local shot_file=$1 x=$2 y=$3 w=$4 h=$5 mx=$6 my=$7 name=$8
  crop "$shot_file" $((CX + x)) $((CY + y)) "$w" "$h" "$OUT/$name-screen.png"
  crop "$MAP_PICTURE" "$mx" "$my" "$w" "$h" "$OUT/$name-map.png"
  differing "$OUT/$name-screen.png" "$OUT/$name-map.png" "${9:-6}"
}
# Pure red pixels (the marker's rings) in a screen region at canvas (x, y).
red_pixels() {
  convert "$1" -crop "${4}x${5}+$((CX + $2))+$((CY + $3))" +repage \
    -fx '(r > 0.94 && g < 0.12 && b < 0.12) ? 1 : 0' -format '%[fx:round(mean * w * h)]' info:
}
# Screen pointer position of gadget-area coordinates (x, y) of the main window.
point() { echo $((GX + $1)) $((GY + $2)); }
move() { xdotool mousemove $(point "$1" "$2"); sleep 0.05; }
# drag <from-x> <from-y> <to-x> <to-y>: press, move in 10 steps, release.
drag() {
  local i
  move "$1" "$2"
  xdotool mousedown 1
  sleep 0.1
  for i in $(seq 1 10); do
    move $(($1 + ($3 - $1) * i / 10)) $(($2 + ($4 - $2) * i / 10))
  done
  sleep 0.1
  xdotool mouseup 1
  sleep 0.5
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# --- Start --------------------------------------------------------------------
(cd "$OUT" && exec "$TAVREL") >"$OUT/tavrel.out" 2>"$OUT/tavrel.err" </dev/null &
APP_PID=$!
WIN=""
for _ in $(seq 1 150); do
  WIN=$(xdotool search --pid "$APP_PID" --onlyvisible --name '^Varn$' 2>/dev/null | head -n 1)
  [ -n "$WIN" ] && break
  sleep 0.1
done
[ -n "$WIN" ] || { fail "no window titled \"Varn\""; shot start-failed; exit 1; }
xdotool windowactivate --sync "$WIN" 2>/dev/null
xdotool windowmove --sync "$WIN" 40 40 2>/dev/null
sleep 1.5
INFO=$(xwininfo -id "$WIN")
WX=$(awk '/Absolute upper-left X/ {print $4}' <<<"$INFO")
WY=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$INFO")
WH=$(awk '/^ *Height:/ {print $2}' <<<"$INFO")
[ "$WH" = 800 ] || fail "the window's client area is $WH pixels high, not 800"
shot start

# Where the map canvas shows map pixel (0, 0): the screen position whose
# picture matches the map picture best (below the menu bar, inside the
# canvas's frame).
best=999999
for dy in $(seq 18 40); do
  for dx in 0 1 2 3; do
    CX=$((WX + dx)) CY=$((WY + dy))
    d=$(screen_vs_map "$OUT/start.png" 300 300 120 80 300 300 probe)
    if [ "$d" -lt "$best" ]; then best=$d; BX=$CX; BY=$CY; fi
  done
done
CX=$BX CY=$BY
# The gadget area begins one frame pixel before the canvas's picture.
GX=$((CX - 1)) GY=$((CY - 1))
if [ "$best" -lt 100 ]; then
  pass "the map shows at full size from its top-left corner (canvas at $((CX - WX)),$((CY - WY)) in the window)"
else
  fail "the map picture was not found on the screen (best $best differing pixels)"
fi

# --- Five heroes in a row at the top -------------------------------------------
heroes=0
for i in 0 1 2 3 4; do
  d=$(screen_vs_map "$OUT/start.png" $((25 + 32 * i + 4)) 24 24 24 $((25 + 32 * i + 4)) 24 "hero$i")
  [ "$d" -gt 150 ] && heroes=$((heroes + 1))
done
beside=$(screen_vs_map "$OUT/start.png" $((25 + 32 * 5 + 4)) 24 24 24 $((25 + 32 * 5 + 4)) 24 beside)
if [ "$heroes" = 5 ] && [ "$beside" -lt 40 ]; then
  pass "five heroes in a row at the top, the map beside them"
else
  fail "heroes at the top: $heroes of 5 drawn, $beside differing pixels beside them"
fi
# The first hero is exactly its picture over the map.
convert "$MAP_PICTURE" -crop 32x32+25+20 +repage "$HERO_PICTURE" -composite "$OUT/hero0-expected.png"
crop "$OUT/start.png" $((CX + 25)) $((CY + 20)) 32 32 "$OUT/hero0-drawn.png"
d=$(differing "$OUT/hero0-drawn.png" "$OUT/hero0-expected.png" 4)
if [ "$d" -lt 20 ]; then pass "the first hero shows its picture over the map"; else fail "the first hero differs from its picture in $d pixels"; fi

# --- Dragging a hero ----------------------------------------------------------
# Pressed in its middle, dropped with the pointer at (400, 300): its new
# top-left corner is (384, 284).
drag 41 36 400 300
shot dragged
convert "$MAP_PICTURE" -crop 32x32+384+284 +repage "$HERO_PICTURE" -composite "$OUT/moved-expected.png"
crop "$OUT/dragged.png" $((CX + 384)) $((CY + 284)) 32 32 "$OUT/moved-drawn.png"
d_new=$(differing "$OUT/moved-drawn.png" "$OUT/moved-expected.png" 4)
d_old=$(screen_vs_map "$OUT/dragged.png" 29 24 24 24 29 24 old-place)
if [ "$d_new" -lt 20 ] && [ "$d_old" -lt 40 ]; then
  pass "the dragged hero shows at (384, 284) and its old place shows the map"
else
  fail "after the drag: $d_new pixels differ at the new place, $d_old at the old one"
fi

# --- Panning ------------------------------------------------------------------
# Press on free map, move the pointer 100 left and 50 up: the view's origin
# becomes (100, 50).
drag 700 500 600 450
shot panned
d=$(screen_vs_map "$OUT/panned.png" 500 300 120 80 600 350 panned)
crop "$OUT/panned.png" $((CX + 284)) $((CY + 234)) 32 32 "$OUT/panned-hero.png"
d_hero=$(differing "$OUT/panned-hero.png" "$OUT/moved-expected.png" 4)
if [ "$d" -lt 100 ] && [ "$d_hero" -lt 20 ]; then
  pass "panning moved the picture by (100, 50), the hero with it"
else
  fail "after panning: $d pixels differ from the map at (600, 350), $d_hero at the hero"
fi

# --- The double-click marker --------------------------------------------------
before=$(red_pixels "$OUT/panned.png" 420 320 160 160)
move 500 400
xdotool click --repeat 2 --delay 60 1
sleep 0.6
shot marker
during=$(red_pixels "$OUT/marker.png" 420 320 160 160)
sleep 3.2
shot marker-gone
after=$(red_pixels "$OUT/marker-gone.png" 420 320 160 160)
if [ "$before" = 0 ] && [ "$during" -gt 30 ] && [ "$after" = 0 ]; then
  pass "the marker's rings show after a double-click ($during red pixels) and are gone after 3 s"
else
  fail "marker: $before red pixels before, $during during, $after after 3 s"
fi
d=$(screen_vs_map "$OUT/marker-gone.png" 420 320 160 160 520 370 marker-gone)
[ "$d" -lt 150 ] || fail "after the marker the map differs in $d pixels"

# --- Idle: no frames, no processor time ---------------------------------------
sleep 1
t0=$(cpu_ticks "$APP_PID")
sleep 10
t1=$(cpu_ticks "$APP_PID")
hz=$(getconf CLK_TCK)
idle=$(awk -v t=$((t1 - t0)) -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }')
echo "idle processor time over 10 s: $idle s"
if [ $((t1 - t0)) -le $((hz / 4)) ]; then pass "left alone, the program used $idle s of processor time in 10 s"; else fail "left alone, the program used $idle s of processor time in 10 s"; fi

# --- Zoom to 90 per cent and back ---------------------------------------------
xdotool windowactivate --sync "$WIN" 2>/dev/null
sleep 0.3
xdotool key --clearmodifiers ctrl+KP_Subtract
sleep 1
shot zoom90
# At 90 per cent, canvas pixel (x, y) shows map pixel (100 + x / 0.9, 50 + y / 0.9).
crop "$OUT/zoom90.png" $((CX + 450)) $((CY + 270)) 180 90 "$OUT/zoom90-screen.png"
convert "$MAP_PICTURE" -crop 200x100+600+350 +repage -sample '180x90!' "$OUT/zoom90-map.png"
d_scaled=$(differing "$OUT/zoom90-screen.png" "$OUT/zoom90-map.png" 8)
d_unscaled=$(screen_vs_map "$OUT/zoom90.png" 450 270 180 90 550 320 zoom90-unscaled 8)
if [ "$d_scaled" -lt 1600 ] && [ "$d_unscaled" -gt $((d_scaled * 2)) ]; then
  pass "Ctrl+keypad Minus shows the map at 90 per cent ($d_scaled of 16200 pixels off the scaled map, $d_unscaled off the unscaled one)"
else
  fail "zoom 90: $d_scaled pixels off the scaled map, $d_unscaled off the unscaled one"
fi
xdotool key --clearmodifiers ctrl+Return
sleep 1
shot zoom100
d=$(screen_vs_map "$OUT/zoom100.png" 450 270 180 90 550 320 zoom100)
if [ "$d" -lt 100 ]; then pass "Ctrl+Return shows the map at full size again"; else fail "after Ctrl+Return $d pixels differ from the full-size map"; fi

kill "$APP_PID" 2>/dev/null
wait "$APP_PID" 2>/dev/null
APP_PID=""

e2e_finish map
