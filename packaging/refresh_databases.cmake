# The desktop's databases under a share folder (<prefix>/share), renewed after
# an install or an uninstall: the MIME database (file types by name), the
# desktop entries' MIME cache (which program opens a type) and the icon
# cache. A database that nothing is left to fill is removed with what it
# generated, so that an uninstall from a prefix of its own leaves nothing.
function(tavrel_refresh_databases share)
  find_program(TAVREL_MIME_TOOL update-mime-database)
  find_program(TAVREL_DESKTOP_TOOL update-desktop-database)
  find_program(TAVREL_ICON_CACHE_TOOL gtk-update-icon-cache)

  # Everything in share/mime but packages/ is generated from packages/.
  file(GLOB packages "${share}/mime/packages/*.xml")
  if(packages AND TAVREL_MIME_TOOL)
    execute_process(COMMAND "${TAVREL_MIME_TOOL}" "${share}/mime")
  elseif(NOT packages AND IS_DIRECTORY "${share}/mime")
    file(GLOB generated "${share}/mime/*")
    list(REMOVE_ITEM generated "${share}/mime/packages")
    file(REMOVE_RECURSE ${generated})
  endif()

  file(GLOB entries "${share}/applications/*.desktop")
  if(entries AND TAVREL_DESKTOP_TOOL)
    execute_process(COMMAND "${TAVREL_DESKTOP_TOOL}" -q "${share}/applications")
  elseif(NOT entries)
    file(REMOVE "${share}/applications/mimeinfo.cache")
  endif()

  # A theme folder with an icon cache needs the cache renewed (system-wide
  # prefixes); a user's own theme folder usually has none.
  set(theme "${share}/icons/hicolor")
  if(TAVREL_ICON_CACHE_TOOL AND EXISTS "${theme}/icon-theme.cache")
    execute_process(COMMAND "${TAVREL_ICON_CACHE_TOOL}" -q -t -f "${theme}")
  endif()
endfunction()
