# The model dump the fixture tests compare with their expected texts, and the fake texture
# loader and the view the drawing and cache tests share.
add_library(pelvaxon_icons3d_testsupport STATIC ${CMAKE_CURRENT_LIST_DIR}/support/An8Dump.cpp)
target_link_libraries(pelvaxon_icons3d_testsupport PUBLIC pelvaxon_icons3d)
target_include_directories(pelvaxon_icons3d_testsupport PUBLIC ${CMAKE_CURRENT_LIST_DIR})
file(GLOB icons3d_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_test.cpp ${CMAKE_CURRENT_LIST_DIR}/*_gltest.cpp)
foreach(test_file ${icons3d_tests})
  get_filename_component(stem ${test_file} NAME_WE)
  target_link_libraries(test_icons3d_${stem} PRIVATE pelvaxon_icons3d_testsupport)
endforeach()
