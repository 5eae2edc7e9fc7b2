# Run by "cmake --install" after the program and its data are in place: makes
# the link <prefix>/bin/tavrel and writes the desktop entry naming the
# installed program. Both are recorded in install_manifest.txt, so that the
# uninstall target removes them too.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

file(MAKE_DIRECTORY "${root}/bin")
file(REMOVE "${root}/bin/tavrel")
file(CREATE_LINK "../lib/tavrel/tavrel" "${root}/bin/tavrel" SYMBOLIC)
message(STATUS "Installing: ${root}/bin/tavrel -> ../lib/tavrel/tavrel")

# The entry names the program by its final path (without DESTDIR), quoted so
# that a prefix with blanks works too.
set(TAVREL_PROGRAM "\"${CMAKE_INSTALL_PREFIX}/bin/tavrel\"")
file(MAKE_DIRECTORY "${root}/share/applications")
configure_file("${TAVREL_DESKTOP_TEMPLATE}" "${root}/share/applications/tavrel.desktop" @ONLY)
message(STATUS "Installing: ${root}/share/applications/tavrel.desktop")

list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${root}/bin/tavrel" "${root}/share/applications/tavrel.desktop")

# A theme folder with an icon cache needs the cache renewed (system-wide
# prefixes); a user's own theme folder usually has none.
set(theme "${root}/share/icons/hicolor")
find_program(TAVREL_ICON_CACHE_TOOL gtk-update-icon-cache)
if(NOT DEFINED ENV{DESTDIR} AND TAVREL_ICON_CACHE_TOOL AND EXISTS "${theme}/icon-theme.cache")
  execute_process(COMMAND "${TAVREL_ICON_CACHE_TOOL}" -q -t -f "${theme}")
endif()
