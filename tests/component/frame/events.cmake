# Apartments, the event connection point and the client-side event sink.
add_executable(velmo_events_tests
  apartment_test.cpp
  connection_point_test.cpp
  event_sink_test.cpp
)
target_link_libraries(velmo_events_tests PRIVATE velmo GTest::gtest GTest::gtest_main)
gtest_discover_tests(velmo_events_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 60 LABELS component)
