# bench/all.sh's table, gathered from fake benchmarks in a copy of bench/.
add_test(NAME test_bench_all COMMAND ${CMAKE_CURRENT_LIST_DIR}/all_test.sh ${PROJECT_SOURCE_DIR})
set_tests_properties(test_bench_all PROPERTIES LABELS unit TIMEOUT ${PELVAXON_TEST_TIMEOUT})
