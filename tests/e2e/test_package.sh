#!/bin/bash
# End to end: the Debian package from cpack: dependencies, paths under /usr, unpacked it
# runs and validates; in CI (CI=true as root) or with TAVREL_TEST_PACKAGE_INSTALL=1 also
# installed with apt-get, looked up as the formations' program and removed without a trace.
# Usage: bash test_package.sh <path-to-tavrel in its build folder> <outdir>
set -u
. "$(dirname "$0")/e2e_lib.sh"
e2e_args package "$@"
BUILD=$(dirname "$TAVREL")
VERSION=$("$TAVREL" --version | awk '{ print $2 }')
rm -rf "$OUT/pkg" "$OUT/root"

(cd "$BUILD" && cpack -G DEB -B "$OUT/pkg") >"$OUT/cpack.log" 2>&1 || { fail "cpack -G DEB failed (cpack.log)"; e2e_finish package; }
DEB=$(ls "$OUT"/pkg/tavrel_"$VERSION"_*.deb 2>/dev/null | head -n 1)
[ -n "$DEB" ] || { fail "no tavrel_${VERSION}_*.deb"; e2e_finish package; }
depends=$(dpkg-deb -f "$DEB" Depends)
check '[[ "$depends" =~ libgtk-3-0\ \(\>= ]] && [[ "$depends" =~ libpng16-16 ]] && [[ "$depends" =~ libjpeg62-turbo ]] && [[ ! "$depends" =~ -dev ]]' \
  "computed dependencies: $depends"
dpkg-deb -c "$DEB" | awk '{ print $6 }' | sed 's|^\.||' >"$OUT/contents.txt"
missing=$(printf '%s\n' /usr/bin/tavrel /usr/lib/tavrel/{tavrel,Varn.gxml,pics/varn_map.jpg} /usr/share/{applications/de.tavrel.Tavrel.desktop,metainfo/de.tavrel.Tavrel.metainfo.xml,mime/packages/de.tavrel.Tavrel.xml,man/man6/tavrel.6.gz,icons/hicolor/48x48/apps/de.tavrel.Tavrel.png} |
  grep -vxFf "$OUT/contents.txt" | tr '\n' ' ')
check '[ -z "$missing" ] && ! grep -v "^/usr/" "$OUT/contents.txt"' "the package holds everything under /usr (missing:$missing)"

dpkg-deb -x "$DEB" "$OUT/root"
check '[ "$("$OUT/root/usr/bin/tavrel" --version)" = "tavrel $VERSION" ]' "unpacked, tavrel --version prints tavrel $VERSION"
entry="$OUT/root/usr/share/applications/de.tavrel.Tavrel.desktop"
check 'desktop-file-validate "$entry" && grep -qxF "Exec=\"/usr/bin/tavrel\" %f" "$entry"' "the desktop entry validates and starts /usr/bin/tavrel with a file"
check 'zcat "$OUT/root/usr/share/man/man6/tavrel.6.gz" | grep -q "^\.TH TAVREL 6"' "the manual page is tavrel(6)"

if [ "$(id -u)" = 0 ] && { [ "${CI:-}" = true ] || [ "${TAVREL_TEST_PACKAGE_INSTALL:-}" = 1 ]; }; then
  if dpkg-query -W -f='${Status}' tavrel 2>/dev/null | grep -q "install ok installed"; then
    fail "tavrel is installed on this machine already; remove it before the package test"
    e2e_finish package
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$DEB" >"$OUT/apt-install.log" 2>&1
  check '[ "$(tavrel --version 2>/dev/null)" = "tavrel $VERSION" ]' "apt-get installed the package and tavrel --version runs"
  printf '\1' >"$OUT/plan.tvf"
  check '[ "$(env -u XDG_CURRENT_DESKTOP -u XDG_DATA_HOME XDG_DATA_DIRS=/usr/share xdg-mime query filetype "$OUT/plan.tvf")" = application/x-tavrel-formation ] &&
    [ "$(env -u XDG_CURRENT_DESKTOP HOME="$OUT" XDG_DATA_DIRS=/usr/share xdg-mime query default application/x-tavrel-formation)" = de.tavrel.Tavrel.desktop ]' \
    "installed, a .tvf file is a Tavrel formation and Tavrel opens it"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -q tavrel >"$OUT/apt-remove.log" 2>&1
  left=""
  while read -r path; do
    [ -n "$path" ] && [ "${path%/}" = "$path" ] && { [ -e "$path" ] || [ -L "$path" ]; } && left+=" $path"
  done <"$OUT/contents.txt"
  check '[ -z "$left" ] && [ ! -e /usr/lib/tavrel ] && ! dpkg-query -W -f="\${Status}" tavrel 2>/dev/null | grep -q "ok installed"' \
    "apt-get remove tavrel leaves none of its files (left:$left)"
else
  pass "not installed for real here (CI=true as root, or TAVREL_TEST_PACKAGE_INSTALL=1, does that)"
fi
e2e_finish package
