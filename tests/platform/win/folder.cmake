# Network tests that re-run themselves inside scripts/with-netns exit 77 when network
# namespaces cannot be made; CTest then reports them as skipped.
file(GLOB win_net_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_nettest.cpp)
foreach(file ${win_net_tests})
  get_filename_component(stem ${file} NAME_WE)
  set_tests_properties(test_platform_win_${stem} PROPERTIES SKIP_RETURN_CODE 77)
endforeach()
