# Run by "cmake --install" after the program and its data are in place: makes
# the link <prefix>/bin/tavrel and writes the desktop entry naming the
# installed program. Both are recorded in install_manifest.txt, so that the
# uninstall target removes them too. Then the desktop's databases of the
# prefix learn of the new files; a package (DESTDIR) leaves that to dpkg's
# triggers.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

file(MAKE_DIRECTORY "${root}/bin")
file(REMOVE "${root}/bin/tavrel")
file(CREATE_LINK "../lib/tavrel/tavrel" "${root}/bin/tavrel" SYMBOLIC)
message(STATUS "Installing: ${root}/bin/tavrel -> ../lib/tavrel/tavrel")

# The entry names the program by its final path (without DESTDIR), quoted so
# that a prefix with blanks works too.
set(TAVREL_PROGRAM "\"${CMAKE_INSTALL_PREFIX}/bin/tavrel\"")
set(entry "${root}/share/applications/${TAVREL_APP_ID}.desktop")
file(MAKE_DIRECTORY "${root}/share/applications")
configure_file("${TAVREL_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
message(STATUS "Installing: ${entry}")

list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${root}/bin/tavrel" "${entry}")

if(NOT DEFINED ENV{DESTDIR})
  include("${CMAKE_CURRENT_LIST_DIR}/refresh_databases.cmake")
  tavrel_refresh_databases("${root}/share")
endif()
