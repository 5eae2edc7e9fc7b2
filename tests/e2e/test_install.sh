#!/bin/bash
# End to end: cmake --install into a fresh prefix: every path, nothing outside, validating
# desktop entry and metainfo, the MIME look-ups, the program started through the link shows
# the demo map with its icon; the uninstall target removes it all.
# Usage: bash test_install.sh <path-to-tavrel in its build folder> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args install "$@"
BUILD=$(dirname "$TAVREL")
PREFIX="$OUT/prefix with blank"
TAVREL="$PREFIX/bin/tavrel"

rm -rf "$PREFIX"
cmake --install "$BUILD" --prefix "$PREFIX" >"$OUT/install.log" 2>&1 || { fail "cmake --install failed"; e2e_finish install; }
missing=""
for path in lib/tavrel/{tavrel,Varn.gxml,players.xml,graves.xml,transports.xml,pics/varn_map.jpg,players/ritter.png} \
  share/{applications/de.tavrel.Tavrel.desktop,metainfo/de.tavrel.Tavrel.metainfo.xml,mime/packages/de.tavrel.Tavrel.xml,man/man6/tavrel.6.gz}; do
  [ -e "$PREFIX/$path" ] || missing+=" $path"
done
for size in 16 22 24 32 48 64 128 256; do
  icon="$PREFIX/share/icons/hicolor/${size}x${size}/apps/de.tavrel.Tavrel.png"
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] || missing+=" icon-$size"
done
check '[ -z "$missing" ]' "every path is installed (missing:$missing)"
check '[ "$(readlink -f "$TAVREL")" = "$(readlink -f "$PREFIX/lib/tavrel/tavrel")" ]' "bin/tavrel leads to lib/tavrel/tavrel"
check '! grep -v "^$PREFIX/" "$BUILD/install_manifest.txt"' "nothing is installed outside the prefix"
entry="$PREFIX/share/applications/de.tavrel.Tavrel.desktop"
check 'desktop-file-validate "$entry" && grep -qxF "Exec=\"$TAVREL\" %f" "$entry"' \
  "the desktop entry validates and starts the installed program with a file"
check 'appstreamcli validate --no-net "$PREFIX/share/metainfo/de.tavrel.Tavrel.metainfo.xml" >"$OUT/appstream.log" 2>&1' \
  "appstreamcli finds no errors in the metainfo"
# The prefix's share folder as the user's data folder, through a link (xdg-mime splits at blanks).
ln -sfn "$PREFIX/share" "$OUT/share"
in_prefix() { env -u XDG_CURRENT_DESKTOP HOME="$OUT" XDG_DATA_HOME="$OUT/share" XDG_DATA_DIRS=/usr/share "$@"; }
printf '\1' >"$OUT/plan.tvf" && printf '' >"$OUT/old.GLS"
check '[ "$(in_prefix xdg-mime query filetype "$OUT/plan.tvf") $(in_prefix xdg-mime query filetype "$OUT/old.GLS")" = "application/x-tavrel-formation application/x-tavrel-formation" ]' \
  "xdg-mime finds .tvf and .gls files to be Tavrel formations"
check '[ "$(in_prefix xdg-mime query default application/x-tavrel-formation)" = de.tavrel.Tavrel.desktop ]' \
  "Tavrel's desktop entry is the default application for them"

e2e_require identify desktop-file-validate appstreamcli xdg-mime
e2e_display
e2e_start "$PREFIX/lib/tavrel/pics/varn_map.jpg"  # fails unless the demo map shows in "Varn"
pass "started through the link, the program shows the demo map"
check 'xprop -id "$WIN" _NET_WM_ICON | grep -aq "Icon (48 x 48)"' "the window carries the program's icon"
kill "$APP_PID" && wait "$APP_PID" 2>/dev/null; APP_PID=""

cmake --build "$BUILD" --target uninstall >"$OUT/uninstall.log" 2>&1
check '[ -z "$(find "$PREFIX" -type f -o -type l)" ] && [ ! -e "$PREFIX/lib/tavrel" ]' \
  "the uninstall target removes everything, the databases it made included"
check '[ -z "$(in_prefix xdg-mime query default application/x-tavrel-formation)" ]' "afterwards nothing opens formations"
e2e_finish install
