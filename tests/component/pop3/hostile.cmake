# The session against hostile servers (scripted on loopback): every case ends within its
# timeout and the next login on the same session works.
add_executable(velmo_hostile_tests hostile_session_test.cpp)
target_link_libraries(velmo_hostile_tests PRIVATE velmo halvex_test_net GTest::gtest GTest::gtest_main)
gtest_discover_tests(velmo_hostile_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 60 LABELS component)
