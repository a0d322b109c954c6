# halvex --once as a process against the scripted server: hostile mail in the mailbox, and
# rude servers beside a normal account.
add_executable(halvex_hostile_once_tests hostile_e2e_test.cpp hostile_accounts_e2e_test.cpp)
target_link_libraries(halvex_hostile_once_tests PRIVATE halvex_engine halvex_test_net halvex_qt_test_main)
target_compile_definitions(halvex_hostile_once_tests PRIVATE HALVEX_PROGRAM="$<TARGET_FILE:halvex>")
add_dependencies(halvex_hostile_once_tests halvex)
gtest_discover_tests(halvex_hostile_once_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS app)
