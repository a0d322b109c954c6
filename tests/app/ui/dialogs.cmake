# The account dialog, list import and export with the header chooser and the file and
# folder pickers, and the alert settings dialog, headless (offscreen).
add_executable(halvex_dialog_tests
  account_dialog_test.cpp
  account_guards_test.cpp
  alertconfig_test.cpp
  dialog_test_support.h
  entry_filters_test.cpp
  import_export_test.cpp
  phrase_file_test.cpp
  pickers_test.cpp
  picker_extras_test.cpp
)
target_link_libraries(halvex_dialog_tests PRIVATE halvex_ui halvex_qt_test_main Qt6::Test)
gtest_discover_tests(halvex_dialog_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 60)

# The connection kind and "Sign in…" of the account dialog, against the tests' own
# authorization server with the test browser.
add_executable(halvex_signin_dialog_tests signin_panel_test.cpp)
target_link_libraries(halvex_signin_dialog_tests PRIVATE halvex_ui halvex_test_net halvex_qt_test_main Qt6::Test)
target_compile_definitions(halvex_signin_dialog_tests PRIVATE HALVEX_TEST_BROWSER="$<TARGET_FILE:halvex_test_browser>")
add_dependencies(halvex_signin_dialog_tests halvex_test_browser)
gtest_discover_tests(halvex_signin_dialog_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 60)

# Screenshots of the dialogs under a real X server (see docs/).
add_executable(halvex_dialog_screenshots dialog_screenshots.cpp)
target_link_libraries(halvex_dialog_screenshots PRIVATE halvex_ui Qt6::Widgets Qt6::Test)
