# Removes what the last "cmake --install" of this build put down, as listed in
# its install_manifest.txt (MANIFEST), and then the folder lib/tavrel with the
# folders in it that are left empty. Files the program wrote there itself
# ("players.xml" is installed and so listed) go with it.
if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to remove: ${MANIFEST} does not exist (install first).")
endif()
file(STRINGS "${MANIFEST}" files)
set(folders "")
foreach(file IN LISTS files)
  if(IS_SYMLINK "${file}" OR EXISTS "${file}")
    message(STATUS "Removing: ${file}")
    file(REMOVE "${file}")
  endif()
  get_filename_component(folder "${file}" DIRECTORY)
  list(APPEND folders "${folder}")
endforeach()
# Empty folders, deepest first; shared folders such as bin or the icon theme
# stay while anything else is in them.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
  while(IS_DIRECTORY "${folder}")
    file(GLOB left "${folder}/*")
    if(left OR NOT folder MATCHES "/lib/tavrel(/|$)")
      break()
    endif()
    file(REMOVE_RECURSE "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
