# The program installed into a temporary DESTDIR and started from there (Xvfb, llvmpipe).
add_test(NAME test_app_install
         COMMAND ${PROJECT_SOURCE_DIR}/scripts/with-xvfb ${CMAKE_CURRENT_LIST_DIR}/install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(test_app_install PROPERTIES LABELS gl TIMEOUT ${PELVAXON_TEST_TIMEOUT})
