# HTML to text has its own test binary, beside the message parser's.
add_executable(velmo_html_to_text_tests ${CMAKE_CURRENT_LIST_DIR}/html_to_text_test.cpp)
target_link_libraries(velmo_html_to_text_tests PRIVATE velmo GTest::gtest GTest::gtest_main)
gtest_discover_tests(velmo_html_to_text_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 60 LABELS component)
