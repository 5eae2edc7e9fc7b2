#!/bin/bash
# End to end: Tavrel on weston, nested in an Xvfb of its own (xdotool's input on its window
# reaches its clients): natively on Wayland and through XWayland, each time a zoom, a grave
# from the context menu, a save, and the player icon picker (opens at the pointer, closes on
# a click outside, its choice reaches "players.xml"); natively at scale 2, the map sharp.
# Usage: bash test_wayland.sh <path-to-tavrel> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args wayland "$@"
e2e_require weston Xwayland
MAP_PICTURE="$(dirname "$TAVREL")/pics/varn_map.jpg"
rm -f "$OUT"/*.tvf
e2e_copy
export XDG_CONFIG_HOME="$OUT/config"  # never the user's own "players.xml"
# No blinking text cursor (GSettings, X11): the screen is still when nothing happens.
mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings" "$XDG_CONFIG_HOME/gtk-3.0"
printf '[org/gnome/desktop/interface]\ncursor-blink=false\n' >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile"
printf '[Settings]\ngtk-cursor-blink=false\n' >"$XDG_CONFIG_HOME/gtk-3.0/settings.ini"
export GSETTINGS_BACKEND=keyfile NO_AT_BRIDGE=1

e2e_xvfb 1700x1100
RUNTIME="$OUT/runtime" && rm -rf "$RUNTIME" && mkdir -m 700 "$RUNTIME"
printf '[core]\nidle-time=0\n[shell]\npanel-position=none\nlocking=false\nbackground-color=0xff404040\n' >"$OUT/weston.ini"

# start_weston <name> [options]: weston (1600 x 1000) showing its desktop; WESTON_PID, SOCKET, REST_PIDS.
start_weston() {
  SOCKET="tavrel-$$-$1"
  XDG_RUNTIME_DIR="$RUNTIME" weston --backend=x11-backend.so --use-pixman --width=1600 --height=1000 \
    --socket="$SOCKET" --config="$OUT/weston.ini" "${@:2}" >"$OUT/weston-$1.log" 2>&1 &
  WESTON_PID=$!
  OWN_PIDS+=("$WESTON_PID")
  REST_PIDS=("$WESTON_PID")
  wait_for 20 "weston ($1) starting" test -S "$RUNTIME/$SOCKET" && wait_for 20 "weston ($1) showing its desktop" desktop_shown
}
desktop_shown() { import -window root -crop 1x1+800+500 -depth 8 txt:- 2>/dev/null | grep -q '#404040'; }
stop_weston() { kill "$WESTON_PID" 2>/dev/null; wait "$WESTON_PID" 2>/dev/null; REST_PIDS=(); }

# at <x> <y>: weston's pointer there, put by entering its window anew (it follows the X pointer's steps).
at() { xdotool mousemove 1690 1090 && settle program && to "$1" "$2"; }
# On XWayland (XDISPLAY) the pointer is in place once XWayland has it at the same coordinates.
pointer_in() {
  [ -z "${XDISPLAY:-}" ] || [ "$(DISPLAY=$XDISPLAY xdotool getmouselocation 2>/dev/null | grep -o 'x:[0-9]* y:[0-9]*')" = "x:$1 y:$2" ]
}
to() { xdotool mousemove "$1" "$2" && settle program && wait_for 5 "the pointer at ($1, $2) in XWayland" pointer_in "$1" "$2"; }
# answer <text>: typed, then Return (on XWayland, which loses a key now and then, again each second).
answer() {
  xdotool type --delay 40 "$1" && settle || return 1
  if [ -z "${XDISPLAY:-}" ]; then xdotool key Return && settle; return; fi
  local id
  id=$(window_of Tavrel "" "$XDISPLAY") || { fail "no dialog for \"$1\" in XWayland"; return 1; }
  for _ in 1 2 3; do xdotool key Return && DISPLAY=$XDISPLAY wait_for 1 "" gone "$id" && settle && return; done
  fail "the dialog stays open after \"$1\""
}
press() { local k; for k; do xdotool key "$k" && settle || return 1; done; }
# The open file requester keeps the program drawing: waited for by its white list, then a still screen.
requester_shown() {
  [ "$(import -window root miff:- 2>/dev/null | convert - -fill black +opaque white -format '%[fx:round(mean * w * h)]' info:)" -gt 100000 ]
}
requester_at_rest() { local APP_PID="" REST_PIDS=(); at_rest screen; }
requester_settle() { wait_for 15 "the file requester" requester_shown && REST="" && wait_for 15 "the file requester at rest" requester_at_rest; }

# place_of <screenshot> <probe> [RMSE]: LX, LY where the probe shows (quarter size, then full:
# AE < 100 at 6 %, or RMSE below the given); false when it does not (r says why).
place_of() {
  local x y w h
  read -r w h < <(identify -format '%w %h' "$2")
  convert "$2" -scale 25% "$OUT/probe-small.png"
  convert "$1" -scale 25% "$OUT/screen-small.png"
  r=$(compare -metric RMSE -dissimilarity-threshold 1 -subimage-search "$OUT/screen-small.png" "$OUT/probe-small.png" null: 2>&1)
  [[ "$r" =~ @\ ([0-9]+),([0-9]+) ]] && x=$((BASH_REMATCH[1] * 4 - 8)) y=$((BASH_REMATCH[2] * 4 - 8))
  crop "$1" "${x:-0}" "${y:-0}" $((w + 16)) $((h + 16)) "$OUT/probe-screen.png"
  if [ -n "${3:-}" ]; then
    r=$(compare -metric RMSE -dissimilarity-threshold 1 -subimage-search "$OUT/probe-screen.png" "$2" null: 2>&1)
    [[ "$r" =~ ^[0-9.]+\ \(([0-9.]+)\)\ @\ ([0-9]+),([0-9]+) ]] && awk -v d="${BASH_REMATCH[1]}" -v m="$3" 'BEGIN { exit !(d < m) }' || return 1
  else
    r=$(compare -metric AE -fuzz 6% -subimage-search "$OUT/probe-screen.png" "$2" null: 2>&1)
    [[ "$r" =~ ^([0-9]+)\ @\ ([0-9]+),([0-9]+) ]] && [ "${BASH_REMATCH[1]}" -lt 100 ] || return 1
  fi
  LX=$((x + BASH_REMATCH[2])) LY=$((y + BASH_REMATCH[3]))
}
# shown <shot> <probe>: the probe in a new screenshot <shot>.
shown() { shot "$1" && place_of "$OUT/$1.png" "$2"; }

# story <name> <outside> <env...>: the program with the environment through the story (<name>.tvf).
story() {
  local name=$1 outside=$2 file="$OUT/$1.tvf" zoom graves
  APP_ENV=("${@:3}") && run_app "tavrel-$name"
  convert "$MAP_PICTURE" -crop 120x80+300+300 +repage "$OUT/probe-map.png"
  wait_for 30 "" shown "$name-start" "$OUT/probe-map.png" || { fail "$name: the map does not show ($r)"; stop_app; return; }
  # weston's own clients and XWayland pass the input on too.
  REST_PIDS=("$WESTON_PID" $(pgrep -P "$WESTON_PID"))
  settle && shown "$name-start" "$OUT/probe-map.png" || { fail "$name: the map does not stay ($r)"; return; }
  CX=$((LX - 300)) CY=$((LY - 300))
  pass "$name: the window shows the map, placed by weston at ($CX, $CY)"
  at $((CX + 700)) $((CY + 400)) && xdotool click 1 && settle  # the window takes the keyboard
  press F10 Right Right Down Return  # "Zoom", "Verkleinern"
  # "Grabstein setzen" from the context menu; a click where the picker opens takes the first grave.
  at $((CX + 500)) $((CY + 350)) && xdotool click 3 && settle
  shot "$name-context-menu"
  press Down Return
  shot "$name-picker"
  xdotool click 1 && settle
  answer Anna && answer Nord
  at $((CX + 900)) $((CY + 500))
  shot "$name-grave"
  # "Spiel speichern"; the requester ignores Return until it has caught up: again each second.
  press F10 Down Down Down Down && xdotool key Return && requester_settle && xdotool type --delay 30 "$OUT/$name" && requester_settle &&
    for _ in 1 2 3 4 5; do xdotool key Return && wait_for 1 "" test -s "$file" && break; done
  wait_for 10 "$name.tvf written" test -s "$file" && settle
  read -r graves zoom <<<"$(echo $(od -A n -t d4 -j 49 -N 4 "$file" 2>/dev/null; od -A n -t u1 -j 57 -N 1 "$file" 2>/dev/null))"
  check '[ "${graves:-}" = 1 ] && [ "${zoom:-}" = 90 ] && tr -d "\\0" <"$file" | grep -q Anna' \
    "$name: the saved formation holds the grave of Anna and zoom 90 (graves ${graves:-none}, zoom ${zoom:-none})"
  icons "$name" "$outside"
  stop_app
}

# icons <name> <outside>: "Spielericons ändern", the dialog found by its rows' thumbnails; the
# picker closed by a click outside the program if <outside> is "yes", else into the dialog
# (an X client on XWayland learns nothing of clicks outside); then another picture chosen.
icons() {
  local name=$1 outside=$2
  cp "$DATA/players.xml" "$PROG/players.xml"
  at $((CX + 700)) $((CY + 400)) && xdotool click 1 && settle
  press F10 Down Down Return
  shot "$name-dialog"
  # The probe: the players' pictures at 40 x 40 on the dialog's grey, every 50 pixels down.
  local pics i k tries
  mapfile -t pics < <(tr -d '\r' <"$PROG/players.xml" | grep -o '<pic>[^<]*' | sed 's/<pic>//')
  convert -size 40x240 xc:'#f6f5f4' "$OUT/thumb.png"
  for i in 0 1 2 3 4; do
    convert "$OUT/thumb.png" \( "$PROG/players/${pics[i]}" -filter Triangle -resize 40x40 \) -geometry +0+$((50 * i)) -composite "$OUT/thumb.png"
  done
  place_of "$OUT/$name-dialog.png" "$OUT/thumb.png" 0.2 || { fail "$name: no player icon dialog ($r)"; return; }
  # The thumbnail at (31, 31) of the gadget area, the row's "Icon ändern" at (90, 35) to (200, 65).
  local gx=$((LX - 31)) gy=$((LY - 31)) bx=$((LX + 89)) by=$((LY + 19))
  # The closing click: a corner of weston's screen, or the dialog's empty part below "Übernehmen".
  local ox=10 oy=990 where="outside the program"
  [ "$gx" -lt 400 ] && [ "$CX" -gt 300 ] || ox=1590
  [ "$outside" = yes ] || { ox=$((gx + 110)) oy=$((gy + 440)) where="into the dialog"; }
  at "$bx" "$by" && xdotool click 1 && settle
  to $((bx + 100)) $((by + 50)) && settle  # the pointer's picture off the first cell
  shot "$name-picker"
  mapfile -t pictures < <(ls -U "$PROG/players" | grep '\.png$')
  convert -size 32x32 xc:white "$PROG/players/${pictures[0]}" -composite "$OUT/first-cell.png"
  crop "$OUT/$name-picker.png" "$bx" "$by" 32 32 "$OUT/$name-cell.png"
  check '[ "$(differing "$OUT/$name-cell.png" "$OUT/first-cell.png" 4)" -le 20 ]' "$name: the picker opens with its corner at the pointer"
  # Move and click 0.3 s apart; XWayland rarely loses a click: three at most.
  for tries in 1 2 3; do
    xdotool mousemove "$ox" "$oy" sleep 0.3 click 1 && settle
    shot "$name-picker-gone"
    crop "$OUT/$name-picker-gone.png" "$bx" "$by" 32 32 "$OUT/$name-cell-gone.png"
    [ "$(differing "$OUT/$name-cell-gone.png" "$OUT/first-cell.png" 4)" -gt 200 ] && break
  done
  check '[ "$(differing "$OUT/$name-cell-gone.png" "$OUT/first-cell.png" 4)" -gt 200 ]' \
    "$name: a click $where closes the picker (click $tries)"
  for k in "${!pictures[@]}"; do [ "${pictures[$k]}" != "${pics[0]}" ] && break; done
  at "$bx" "$by" && xdotool click 1 && settle
  shot "$name-picker-again"
  to $((bx + k % 5 * 32 + 16)) $((by + k / 5 * 32 + 16)) && xdotool click 1 && settle
  shot "$name-chosen"
  at $((gx + 110)) $((gy + 395)) && xdotool click 1 && settle  # "Übernehmen"
  local first
  first=$(tr -d '\r' <"$PROG/players.xml" | grep -o '<pic>[^<]*</pic>' | head -n 1)
  check '[ "$first" = "<pic>${pictures[$k]}</pic>" ]' "$name: the picture chosen in the picker reaches players.xml ($first)"
}

start_weston native &&
  story wayland yes XDG_RUNTIME_DIR="$RUNTIME" WAYLAND_DISPLAY="$SOCKET" GDK_BACKEND=wayland DISPLAY=
stop_weston

# At scale 2 the map at zoom 100 is the map picture doubled without smoothing.
start_weston scale2 --scale=2
APP_ENV=(XDG_RUNTIME_DIR="$RUNTIME" WAYLAND_DISPLAY="$SOCKET" GDK_BACKEND=wayland DISPLAY=) && run_app tavrel-scale2
convert "$MAP_PICTURE" -crop 100x60+300+200 +repage -sample 200% "$OUT/probe-doubled.png"
if wait_for 30 "" shown scale2 "$OUT/probe-doubled.png" && settle && shown scale2 "$OUT/probe-doubled.png"; then
  crop "$OUT/scale2.png" $((LX - 160)) "$LY" 600 120 "$OUT/scale2-screen.png"
  convert "$MAP_PICTURE" -crop 300x60+220+200 +repage -sample 200% "$OUT/scale2-map.png"
  convert "$MAP_PICTURE" -crop 300x60+220+200 +repage -resize 200% "$OUT/scale2-smooth.png"
  sharp=$(differing "$OUT/scale2-screen.png" "$OUT/scale2-map.png" 3) smooth=$(differing "$OUT/scale2-screen.png" "$OUT/scale2-smooth.png" 3)
  check '[ "$sharp" -le 20 ] && [ "$smooth" -gt 1000 ]' "at scale 2 the map shows doubled, sharp ($sharp of 72000 pixels off, $smooth against a smooth scaling)"
else
  fail "at scale 2 the map does not show doubled ($r)"
fi
stop_app
stop_weston

start_weston xwayland --xwayland
xserver() { grep -o 'xserver listening on display :[0-9]*' "$OUT/weston-xwayland.log" | grep -o ':[0-9]*$' | head -n 1 | grep .; }
if wait_for 20 "weston starting XWayland" xserver; then
  XDISPLAY=$WAITED story xwayland no XDG_RUNTIME_DIR="$RUNTIME" WAYLAND_DISPLAY= GDK_BACKEND=x11 DISPLAY="$WAITED"
fi
stop_weston
e2e_finish wayland
