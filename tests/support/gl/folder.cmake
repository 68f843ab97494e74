# Helpers of the OpenGL tests: pixel readback, projecting scene points to window coordinates,
# showing a window and waiting for its views. Every *_gltest executable links them, so a
# gl test of any folder can use them.
add_library(pelvaxon_test_gl STATIC
  ${CMAKE_CURRENT_LIST_DIR}/GlTestHelpers.cpp ${CMAKE_CURRENT_LIST_DIR}/GlTestHelpers.h)
target_link_libraries(pelvaxon_test_gl PUBLIC pelvaxon_test_support_ui pelvaxon_platform_gl Qt6::OpenGLWidgets)

get_property(pelvaxon_test_targets DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
foreach(target ${pelvaxon_test_targets})
  if(target MATCHES "_gltest$")
    target_link_libraries(${target} PRIVATE pelvaxon_test_gl)
  endif()
endforeach()
