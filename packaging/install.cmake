# Installing, e.g. cmake --install build --prefix ~/.local: one self-contained
# folder <prefix>/lib/tavrel with the program and its data (the program finds
# its data beside itself, also when started through the link), the link
# <prefix>/bin/tavrel, and what the desktop needs, all named by the
# application's ID: the desktop entry, the AppStream metainfo, the formation
# file type, the icon in the hicolor theme; and the manual page tavrel(6).
# `cpack -G DEB` in the build folder makes a Debian package of the same files
# under /usr.
set(TAVREL_APP_ID de.tavrel.Tavrel)

install(TARGETS tavrel RUNTIME DESTINATION lib/tavrel)
install(DIRECTORY data/ DESTINATION lib/tavrel)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES data/icons/hicolor/${size}x${size}/apps/tavrel.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME ${TAVREL_APP_ID}.png)
endforeach()
install(FILES packaging/${TAVREL_APP_ID}.mime.xml DESTINATION share/mime/packages RENAME ${TAVREL_APP_ID}.xml)
configure_file(packaging/${TAVREL_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/packaging/${TAVREL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${TAVREL_APP_ID}.metainfo.xml DESTINATION share/metainfo)

# The manual page, compressed as Debian wants it (-n: the same bytes every time).
configure_file(packaging/tavrel.6 ${CMAKE_BINARY_DIR}/packaging/tavrel.6 @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/tavrel.6.gz
  COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/packaging/tavrel.6 -c > ${CMAKE_BINARY_DIR}/packaging/tavrel.6.gz
  DEPENDS ${CMAKE_BINARY_DIR}/packaging/tavrel.6)
add_custom_target(tavrel_manual ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/tavrel.6.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/tavrel.6.gz DESTINATION share/man/man6)

install(CODE "set(TAVREL_DESKTOP_TEMPLATE \"${CMAKE_SOURCE_DIR}/packaging/${TAVREL_APP_ID}.desktop.in\")
              set(TAVREL_APP_ID ${TAVREL_APP_ID})")
install(SCRIPT packaging/install_entry.cmake)
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt -P ${CMAKE_SOURCE_DIR}/packaging/uninstall.cmake
  COMMENT "Removing what the last install put down")

# The Debian package: the install above under /usr (DESTDIR staging, so that
# the desktop entry names /usr/bin/tavrel), the program stripped, the
# dependencies computed by dpkg-shlibdeps from the libraries the program links.
# dpkg's triggers refresh the MIME, desktop and icon databases.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Tavrel developers <tavrel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "map tool to lay out a party on a level's map")
set(CPACK_PACKAGE_DESCRIPTION "Tavrel shows the map picture of a level of a tile-based party game and lets
you place the party on it: heroes, transports that follow them as a convoy,
and grave stones with inscriptions. Formations are saved in .tvf files.
The user interface is in German.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
