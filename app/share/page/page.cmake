# The players' page built into the program: page_files.cpp, made in the build
# folder from index.html, page.js and page.css whenever one of them changes.
# SHARE_PAGE_SOURCES is that source, for the library that serves the page
# (its lookup is declared in app/share/page_files.h).
set(SHARE_PAGE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(SHARE_PAGE_SOURCES ${CMAKE_CURRENT_BINARY_DIR}/share_page/page_files.cpp)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/share_page)
add_custom_command(
  OUTPUT ${SHARE_PAGE_SOURCES}
  COMMAND ${CMAKE_COMMAND} -DPAGE_DIR=${SHARE_PAGE_DIR} -DOUTPUT=${SHARE_PAGE_SOURCES}
          -P ${SHARE_PAGE_DIR}/embed.cmake
  DEPENDS ${SHARE_PAGE_DIR}/index.html ${SHARE_PAGE_DIR}/page.js ${SHARE_PAGE_DIR}/page.css
          ${SHARE_PAGE_DIR}/embed.cmake
  COMMENT "Building the players' page into the program"
  VERBATIM)
