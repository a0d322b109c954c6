# Pipelined header scans: the same mailbox with and without PIPELINING, and their pieces.
add_executable(velmo_pipelining_tests pipelining_test.cpp)
target_link_libraries(velmo_pipelining_tests PRIVATE velmo halvex_test_net GTest::gtest GTest::gtest_main)
target_include_directories(velmo_pipelining_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
gtest_discover_tests(velmo_pipelining_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS component)
