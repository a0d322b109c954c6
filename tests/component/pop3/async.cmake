# The asynchronous POP3 client: worker, job queue and events, against the scripted server and
# a private Dovecot; events are checked on the subscribing thread. IPOPRAW in both modes.
add_executable(velmo_async_tests
  worker_test.cpp
  async_dovecot_test.cpp
  popmain_async_test.cpp
  failure_cause_test.cpp
  worker_stop_test.cpp
  popraw_test.cpp
  delete_ahead_test.cpp
)
target_link_libraries(velmo_async_tests PRIVATE velmo halvex_test_net GTest::gtest GTest::gtest_main)
target_include_directories(velmo_async_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
gtest_discover_tests(velmo_async_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS component)
