# The main window with its tray icon, headless (offscreen), against the scripted POP3
# server; and a picture of it under Xvfb during a cycle against the test Dovecot.
add_executable(halvex_main_window_tests main_window_test.cpp main_window_dovecot_test.cpp main_window_rig.h)
target_link_libraries(halvex_main_window_tests PRIVATE halvex_ui halvex_test_net halvex_qt_test_main Qt6::Test)
gtest_discover_tests(halvex_main_window_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS app)

add_executable(halvex_main_window_screenshot main_window_screenshot.cpp)
target_link_libraries(halvex_main_window_screenshot PRIVATE halvex_ui halvex_test_net Qt6::Widgets Qt6::Test)
