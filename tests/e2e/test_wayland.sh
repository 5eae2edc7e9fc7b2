#!/bin/bash
# End to end: Tavrel on a Wayland desktop. Debian's weston runs nested in an
# Xvfb of its own (its X11 backend; xdotool's input on its window reaches its
# clients), and places the windows itself. Twice: Tavrel as a native Wayland
# client (no X display in reach), and Tavrel through GTK's X11 backend on
# weston's XWayland. Each time the story: start, a zoom from the menu "Zoom",
# a grave set from the context menu (piece picker, two names), a save from the
# menu "Spiel" - checked on the saved file; then the player icon dialog: its
# picker opens at the pointer, a click outside the program closes it, a
# picture chosen in it reaches "players.xml". Between the two, the native
# client on a weston of scale 2 shows the map sharp.
#
# Usage: bash test_wayland.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args wayland "$@"
e2e_require weston Xwayland
MAP_PICTURE="$(dirname "$TAVREL")/pics/varn_map.jpg"
rm -f "$OUT"/*.tvf
# The dialog writes "players.xml" beside the program: run a copy.
PROG="$OUT/program" DATA=$(dirname "$TAVREL")
rm -rf "$PROG" && mkdir -p "$PROG" && cp -r "$TAVREL" "$DATA"/{*.xml,*.gxml,pics,players} "$PROG"/
TAVREL="$PROG/tavrel"
export XDG_CONFIG_HOME="$OUT/config"  # never the user's own "players.xml"

exec 3>"$OUT/xvfb.display"
Xvfb -displayfd 3 -screen 0 1700x1100x24 -nolisten tcp >"$OUT/xvfb.log" 2>&1 &
OWN_PIDS+=("$!")
exec 3>&-
for _ in $(seq 1 100); do [ -s "$OUT/xvfb.display" ] && break; sleep 0.1; done
[ -s "$OUT/xvfb.display" ] || { echo "FAIL: could not start Xvfb" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$OUT/xvfb.display")"
export NO_AT_BRIDGE=1
RUNTIME="$OUT/runtime" && rm -rf "$RUNTIME" && mkdir -m 700 "$RUNTIME"
printf '[core]\nidle-time=0\n[shell]\npanel-position=none\nlocking=false\nbackground-color=0xff404040\n' >"$OUT/weston.ini"

# weston [options]: starts weston on the Xvfb (its window at the screen's
# corner, 1600 x 1000); sets WESTON_PID and SOCKET.
start_weston() {
  SOCKET="tavrel-$$-$1"
  XDG_RUNTIME_DIR="$RUNTIME" weston --backend=x11-backend.so --use-pixman --width=1600 --height=1000 \
    --socket="$SOCKET" --config="$OUT/weston.ini" "${@:2}" >"$OUT/weston-$1.log" 2>&1 &
  WESTON_PID=$!
  OWN_PIDS+=("$WESTON_PID")
  for _ in $(seq 1 100); do [ -S "$RUNTIME/$SOCKET" ] && break; sleep 0.1; done
  sleep 1
}
stop_weston() { kill "$WESTON_PID" 2>/dev/null; wait "$WESTON_PID" 2>/dev/null; }

# weston moves its pointer by the X pointer's steps; coming into its window
# puts it where the X pointer is. at <x> <y>: there, in screen pixels.
at() { xdotool mousemove 1690 1090 sleep 0.2 mousemove "$1" "$2" sleep 0.3; }

# locate <screenshot> <probe>: LX, LY, where the probe (a part of the map)
# shows on the screen, searched for on quarter-size pictures first (a search
# of the whole screen at full size takes minutes), then at full size around
# the place found; false when it does not show (r says why).
locate() {
  local x y w h
  read -r w h < <(identify -format '%w %h' "$2")
  convert "$2" -scale 25% "$OUT/probe-small.png"
  convert "$1" -scale 25% "$OUT/screen-small.png"
  r=$(compare -metric RMSE -dissimilarity-threshold 1 -subimage-search "$OUT/screen-small.png" "$OUT/probe-small.png" null: 2>&1)
  [[ "$r" =~ @\ ([0-9]+),([0-9]+) ]] && x=$((BASH_REMATCH[1] * 4 - 8)) y=$((BASH_REMATCH[2] * 4 - 8))
  crop "$1" "${x:-0}" "${y:-0}" $((w + 16)) $((h + 16)) "$OUT/probe-screen.png"
  r=$(compare -metric AE -fuzz 6% -subimage-search "$OUT/probe-screen.png" "$2" null: 2>&1)
  [[ "$r" =~ ^([0-9]+)\ @\ ([0-9]+),([0-9]+) ]] && [ "${BASH_REMATCH[1]}" -lt 100 ] || return 1
  LX=$((x + BASH_REMATCH[2])) LY=$((y + BASH_REMATCH[3]))
}

# story <name> <outside> <env...>: the program started with the environment,
# driven through the story; the saved file is <name>.tvf.
story() {
  local name=$1 outside=$2
  shift 2
  (cd "$OUT" && exec env "$@" "$TAVREL") >"$OUT/tavrel-$name.out" 2>"$OUT/tavrel-$name.err" </dev/null &
  APP_PID=$!
  sleep 4
  shot "$name-start"
  convert "$MAP_PICTURE" -crop 120x80+300+300 +repage "$OUT/probe-map.png"
  locate "$OUT/$name-start.png" "$OUT/probe-map.png" ||
    { fail "$name: the map does not show ($r)"; kill "$APP_PID"; wait "$APP_PID"; APP_PID=""; return; }
  CX=$((LX - 300)) CY=$((LY - 300))
  pass "$name: the window shows the map, placed by weston at ($CX, $CY)"
  at $((CX + 700)) $((CY + 400)) && xdotool click 1 sleep 1  # the window takes the keyboard
  # "Zoom", its first item "Verkleinern".
  xdotool key F10 sleep 0.8 key Right sleep 0.8 key Down sleep 0.5 key Return sleep 1
  # Context menu on free map, "Grabstein setzen"; the picker opens centred on
  # the pointer: a click there takes the first grave; then the two names.
  at $((CX + 500)) $((CY + 350)) && xdotool click 3 sleep 1
  shot "$name-context-menu"
  xdotool key Down sleep 0.3 key Return sleep 1
  shot "$name-picker"
  xdotool click 1 sleep 1.5
  xdotool type --delay 40 "Anna" && xdotool sleep 0.3 key Return sleep 1.5
  xdotool type --delay 40 "Nord" && xdotool sleep 0.3 key Return sleep 1.5
  at $((CX + 900)) $((CY + 500))
  shot "$name-grave"
  # "Spiel", its last item "Spiel speichern"; the name typed into the requester.
  xdotool key F10 sleep 0.5 key Up sleep 0.3 key Return sleep 2 type --delay 30 "$OUT/$name"
  xdotool sleep 0.5 key Return sleep 2
  local file="$OUT/$name.tvf" zoom graves
  read -r graves zoom <<<"$(echo $(od -A n -t d4 -j 49 -N 4 "$file" 2>/dev/null; od -A n -t u1 -j 57 -N 1 "$file" 2>/dev/null))"
  check '[ "${graves:-}" = 1 ] && [ "${zoom:-}" = 90 ] && tr -d "\\0" <"$file" | grep -q Anna' \
    "$name: the saved formation holds the grave of Anna and zoom 90 (graves ${graves:-none}, zoom ${zoom:-none})"
  icons "$name" "$outside"
  kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; APP_PID=""
}

# icons <name> <outside>: "Spielericons ändern", the second item of "Spiel"; the
# dialog found by its first row's thumbnail (the first player's picture at
# 40 x 40 on the dialog's grey). The picker is closed by a click outside the
# program when <outside> is "yes", else by one into the dialog (an X client
# on XWayland learns nothing of clicks outside the X windows). Then a picture
# other than the first player's is chosen.
icons() {
  local name=$1 outside=$2 r x y
  cp "$DATA/players.xml" "$PROG/players.xml"
  at $((CX + 700)) $((CY + 400)) && xdotool click 1 sleep 0.5
  xdotool key F10 sleep 0.5 key Down Down sleep 0.3 key Return sleep 2
  shot "$name-dialog"
  # The probe: the players' pictures at 40 x 40 on the dialog's grey, one
  # below the other every 50 pixels, as the rows show them.
  local pics pic i=0
  mapfile -t pics < <(tr -d '\r' <"$PROG/players.xml" | grep -o '<pic>[^<]*' | sed 's/<pic>//')
  pic=${pics[0]}
  convert -size 40x240 xc:'#f6f5f4' "$OUT/thumb.png"
  for p in "${pics[@]:0:5}"; do
    convert "$OUT/thumb.png" \( "$PROG/players/$p" -filter Triangle -resize 40x40 \) -geometry +0+$((50 * i)) -composite "$OUT/thumb.png"
    i=$((i + 1))
  done
  convert "$OUT/thumb.png" -scale 25% "$OUT/thumb-small.png"
  convert "$OUT/$name-dialog.png" -scale 25% "$OUT/screen-small.png"
  r=$(compare -metric RMSE -dissimilarity-threshold 1 -subimage-search "$OUT/screen-small.png" "$OUT/thumb-small.png" null: 2>&1)
  [[ "$r" =~ @\ ([0-9]+),([0-9]+) ]] && x=$((BASH_REMATCH[1] * 4 - 8)) y=$((BASH_REMATCH[2] * 4 - 8))
  crop "$OUT/$name-dialog.png" "${x:-0}" "${y:-0}" 56 256 "$OUT/thumb-screen.png"
  r=$(compare -metric RMSE -dissimilarity-threshold 1 -subimage-search "$OUT/thumb-screen.png" "$OUT/thumb.png" null: 2>&1)
  [[ "$r" =~ ^[0-9.]+\ \(([0-9.]+)\)\ @\ ([0-9]+),([0-9]+) ]] && awk -v d="${BASH_REMATCH[1]}" 'BEGIN { exit !(d < 0.2) }' ||
    { fail "$name: no player icon dialog ($r)"; return; }
  # The thumbnail lies at (31, 31) of the gadget area, the button
  # "Icon ändern" of its row at (90, 35) to (200, 65).
  local gx=$((x + BASH_REMATCH[2] - 31)) gy=$((y + BASH_REMATCH[3] - 31))
  local bx=$((gx + 120)) by=$((gy + 50))
  # The click that closes the picker: a corner of weston's screen, or the
  # dialog's empty part below "Übernehmen".
  local ox=10 oy=990 where="outside the program"
  [ "$gx" -lt 400 ] && [ "$CX" -gt 300 ] || ox=1590
  [ "$outside" = yes ] || { ox=$((gx + 110)) oy=$((gy + 440)) where="into the dialog"; }
  at "$bx" "$by" && xdotool click 1 sleep 1.5
  xdotool mousemove $((bx + 100)) $((by + 50)) sleep 0.5  # the pointer's picture off the first cell
  shot "$name-picker"
  mapfile -t pictures < <(ls -U "$PROG/players" | grep '\.png$')
  convert -size 32x32 xc:white "$PROG/players/${pictures[0]}" -composite "$OUT/first-cell.png"
  crop "$OUT/$name-picker.png" "$bx" "$by" 32 32 "$OUT/$name-cell.png"
  check '[ "$(differing "$OUT/$name-cell.png" "$OUT/first-cell.png" 4)" -le 20 ]' "$name: the picker opens with its corner at the pointer"
  xdotool mousemove "$ox" "$oy" sleep 0.3 click 1 sleep 1
  shot "$name-picker-gone"
  crop "$OUT/$name-picker-gone.png" "$bx" "$by" 32 32 "$OUT/$name-cell-gone.png"
  check '[ "$(differing "$OUT/$name-cell-gone.png" "$OUT/first-cell.png" 4)" -gt 200 ]' "$name: a click $where closes the picker"
  local k
  for k in "${!pictures[@]}"; do [ "${pictures[$k]}" != "${pic#<pic>}" ] && break; done
  at "$bx" "$by" && xdotool click 1 sleep 1.5
  shot "$name-picker-again"
  xdotool mousemove $((bx + k % 5 * 32 + 16)) $((by + k / 5 * 32 + 16)) sleep 0.3 click 1 sleep 1
  shot "$name-chosen"
  at $((gx + 110)) $((gy + 395)) && xdotool click 1 sleep 1.5  # "Übernehmen"
  local first
  first=$(tr -d '\r' <"$PROG/players.xml" | grep -o '<pic>[^<]*</pic>' | head -n 1)
  check '[ "$first" = "<pic>${pictures[$k]}</pic>" ]' "$name: the picture chosen in the picker reaches players.xml ($first)"
}

start_weston native
story wayland yes XDG_RUNTIME_DIR="$RUNTIME" WAYLAND_DISPLAY="$SOCKET" GDK_BACKEND=wayland DISPLAY=
stop_weston

# At a scale of 2 a native client draws in the screen's pixels: the map at
# zoom 100 is the map picture doubled without smoothing.
start_weston scale2 --scale=2
(cd "$OUT" && exec env XDG_RUNTIME_DIR="$RUNTIME" WAYLAND_DISPLAY="$SOCKET" GDK_BACKEND=wayland DISPLAY= "$TAVREL") \
  >"$OUT/tavrel-scale2.out" 2>"$OUT/tavrel-scale2.err" </dev/null &
APP_PID=$!
sleep 4
shot scale2
convert "$MAP_PICTURE" -crop 100x60+300+200 +repage -sample 200% "$OUT/probe-doubled.png"
if locate "$OUT/scale2.png" "$OUT/probe-doubled.png"; then
  crop "$OUT/scale2.png" $((LX - 160)) "$LY" 600 120 "$OUT/scale2-screen.png"
  convert "$MAP_PICTURE" -crop 300x60+220+200 +repage -sample 200% "$OUT/scale2-map.png"
  convert "$MAP_PICTURE" -crop 300x60+220+200 +repage -resize 200% "$OUT/scale2-smooth.png"
  sharp=$(differing "$OUT/scale2-screen.png" "$OUT/scale2-map.png" 3) smooth=$(differing "$OUT/scale2-screen.png" "$OUT/scale2-smooth.png" 3)
  check '[ "$sharp" -le 20 ] && [ "$smooth" -gt 1000 ]' "at scale 2 the map shows doubled, sharp ($sharp of 72000 pixels off, $smooth against a smooth scaling)"
else
  fail "at scale 2 the map does not show doubled ($r)"
fi
kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; APP_PID=""
stop_weston

start_weston xwayland --xwayland
xdisplay=$(grep -o 'xserver listening on display :[0-9]*' "$OUT/weston-xwayland.log" | grep -o ':[0-9]*$' | head -n 1)
if [ -z "$xdisplay" ]; then
  fail "weston started no XWayland"
else
  story xwayland no XDG_RUNTIME_DIR="$RUNTIME" WAYLAND_DISPLAY= GDK_BACKEND=x11 DISPLAY="$xdisplay"
fi
stop_weston
e2e_finish wayland
