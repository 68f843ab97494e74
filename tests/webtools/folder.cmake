# The two-copies chat test runs a second, real chat window in a namespace of its own
# through this driver.
add_executable(pchat_driver ${CMAKE_CURRENT_LIST_DIR}/support/pchatDriver.cpp)
target_link_libraries(pchat_driver PRIVATE pelvaxon_webtools pelvaxon_test_support_ui Qt6::Widgets)
add_dependencies(test_webtools_pchatTwoCopies_guitest pchat_driver)
target_compile_definitions(test_webtools_pchatTwoCopies_guitest PRIVATE
  PCHAT_DRIVER="$<TARGET_FILE:pchat_driver>")
