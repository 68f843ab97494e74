# cmake --install (CMAKE_INSTALL_PREFIX, DESTDIR): the program finds its read-only data beside
# its own resolved path, so the executable and its data live together in lib/pelvaxon/, and
# bin/pelvaxon is a relative symbolic link to it. The desktop entry and the icon go where
# desktops look for them.
set(PELVAXON_INSTALL_DIR lib/pelvaxon)

# The executable and the data files the build copied beside it (paths in the build tree,
# installed under the same relative names).
function(pelvaxon_install_program target)
  install(TARGETS ${target} RUNTIME DESTINATION ${PELVAXON_INSTALL_DIR})
  foreach(file ${ARGN})
    file(RELATIVE_PATH relative ${CMAKE_BINARY_DIR} ${file})
    get_filename_component(subdir ${relative} DIRECTORY)
    install(FILES ${file} DESTINATION ${PELVAXON_INSTALL_DIR}/${subdir})
  endforeach()

  set(link ${CMAKE_BINARY_DIR}/install-link/${target})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-link)
  file(CREATE_LINK ../${PELVAXON_INSTALL_DIR}/${target} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION bin)

  set(desktop ${PROJECT_SOURCE_DIR}/desktop)
  install(FILES ${desktop}/pelvaxon.desktop DESTINATION share/applications)
  install(FILES ${desktop}/pelvaxon.svg DESTINATION share/icons/hicolor/scalable/apps)
endfunction()
