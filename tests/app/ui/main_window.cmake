# The main window with its tray icon, headless (offscreen), against the scripted POP3
# server; and a picture of it under Xvfb during a cycle against the test Dovecot.
add_executable(halvex_main_window_tests main_window_test.cpp main_window_dovecot_test.cpp main_window_rig.h)
target_link_libraries(halvex_main_window_tests PRIVATE halvex_ui halvex_test_net halvex_qt_test_main Qt6::Test)
gtest_discover_tests(halvex_main_window_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS app)

add_executable(halvex_main_window_screenshot main_window_screenshot.cpp)
target_link_libraries(halvex_main_window_screenshot PRIVATE halvex_ui halvex_test_net Qt6::Widgets Qt6::Test)

# At home on the desktop: the tray's state, menu and notifications; settings written on
# change; the entry checks' focus rule; autostart; a second start handing over.
add_executable(halvex_desktop_tests tray_state_test.cpp desktop_settings_test.cpp main_window_rig.h)
target_link_libraries(halvex_desktop_tests PRIVATE halvex_ui halvex_test_net halvex_qt_test_main Qt6::Test)
target_compile_definitions(halvex_desktop_tests PRIVATE HALVEX_PROGRAM="$<TARGET_FILE:halvex>")
add_dependencies(halvex_desktop_tests halvex)
gtest_discover_tests(halvex_desktop_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS app)

# The program as a process: one instance per folder, SIGTERM, unknown options.
add_executable(halvex_process_tests halvex_process_test.cpp)
target_link_libraries(halvex_process_tests PRIVATE halvex_accounts halvex_qt_test_main Qt6::Test)
target_compile_definitions(halvex_process_tests PRIVATE HALVEX_PROGRAM="$<TARGET_FILE:halvex>")
add_dependencies(halvex_process_tests halvex)
gtest_discover_tests(halvex_process_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS app)
