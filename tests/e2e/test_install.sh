#!/bin/bash
# End to end: Tavrel installed into a fresh prefix as a user installs it. Every
# installed path is there and nothing lies outside the prefix; the desktop
# entry validates and names the installed program; started through the link
# <prefix>/bin/tavrel, the program finds its data in <prefix>/lib/tavrel and
# shows the demo map in the window "Varn", with the program's icon; the
# uninstall target removes it all again.
#
# Usage: bash test_install.sh <path-to-tavrel in its build folder> <outdir>
set -u

TAVREL=$(readlink -f "${1:?path to tavrel}")
BUILD=$(dirname "$TAVREL")
OUT=${2:?output directory}
mkdir -p "$OUT/install"
OUT=$(readlink -f "$OUT/install")
. "$(dirname "$0")/e2e_lib.sh"

PREFIX="$OUT/prefix with blank"
rm -rf "$PREFIX"
cmake --install "$BUILD" --prefix "$PREFIX" >"$OUT/install.log" 2>&1 || { fail "cmake --install failed"; e2e_finish install; }

missing=0
for path in lib/tavrel/tavrel lib/tavrel/Varn.gxml lib/tavrel/players.xml lib/tavrel/graves.xml \
  lib/tavrel/transports.xml lib/tavrel/pics/varn_map.jpg lib/tavrel/players/ritter.png bin/tavrel \
  share/applications/tavrel.desktop; do
  [ -e "$PREFIX/$path" ] || { fail "$path is not installed"; missing=1; }
done
for size in 16 22 24 32 48 64 128 256; do
  icon="$PREFIX/share/icons/hicolor/${size}x${size}/apps/tavrel.png"
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] || { fail "no ${size}x${size} icon"; missing=1; }
done
[ "$(readlink -f "$PREFIX/bin/tavrel")" = "$(readlink -f "$PREFIX/lib/tavrel/tavrel")" ] || fail "bin/tavrel does not lead to lib/tavrel/tavrel"
outside=$(grep -cv "^$PREFIX/" "$BUILD/install_manifest.txt")
[ "$missing" = 0 ] && [ "$outside" = 0 ] && pass "every path is installed, nothing outside the prefix"
[ "$outside" = 0 ] || fail "$outside installed paths lie outside the prefix"

entry="$PREFIX/share/applications/tavrel.desktop"
if desktop-file-validate "$entry" >"$OUT/validate.log" 2>&1 && grep -qxF "Exec=\"$PREFIX/bin/tavrel\"" "$entry"; then
  pass "the desktop entry validates and starts the installed program"
else
  fail "desktop entry: $(cat "$OUT/validate.log") $(grep ^Exec "$entry")"
fi

e2e_display
(cd / && exec "$PREFIX/bin/tavrel") >"$OUT/tavrel.out" 2>&1 </dev/null &
APP_PID=$!
WIN=""
for _ in $(seq 1 150); do
  WIN=$(xdotool search --pid "$APP_PID" --onlyvisible --name '^Varn$' 2>/dev/null | head -n 1)
  [ -n "$WIN" ] && break
  sleep 0.1
done
if [ -z "$WIN" ]; then
  fail "the installed program shows no window titled \"Varn\""
else
  xdotool windowmove --sync "$WIN" 40 40 2>/dev/null
  sleep 1.5
  import -window root "$OUT/installed.png"
  geometry=$(xwininfo -id "$WIN" | awk '/Absolute upper-left/ {printf "%s ", $4}')
  read -r WX WY <<<"$geometry"
  # The map picture at full size somewhere below the menu bar.
  convert "$PREFIX/lib/tavrel/pics/varn_map.jpg" -crop 200x120+300+300 +repage "$OUT/map-part.png"
  best=$(for dy in $(seq 18 40); do
    convert "$OUT/installed.png" -crop "200x120+$((WX + 300 + 1))+$((WY + 300 + dy))" +repage "$OUT/screen-part.png"
    compare -metric AE -fuzz 6% "$OUT/screen-part.png" "$OUT/map-part.png" null: 2>&1 | awk '{ print int($1) }'
  done | sort -n | head -n 1)
  if [ "$best" -lt 100 ]; then pass "the installed program shows the demo map"; else fail "the demo map is not on the screen ($best pixels off)"; fi
  if xprop -id "$WIN" _NET_WM_ICON | grep -aq 'Icon (48 x 48)'; then pass "the window carries the program's icon"; else fail "the window has no icon of 48 x 48"; fi
  kill "$APP_PID" 2>/dev/null
  wait "$APP_PID" 2>/dev/null
  APP_PID=""
fi

cmake --build "$BUILD" --target uninstall >"$OUT/uninstall.log" 2>&1
left=$(find "$PREFIX" -type f -o -type l | wc -l)
if [ "$left" = 0 ] && [ ! -e "$PREFIX/lib/tavrel" ]; then pass "the uninstall target removes everything"; else fail "$left files left after uninstalling"; fi
e2e_finish install
