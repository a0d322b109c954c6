# Every window within a small, scaled screen: a 1280x800 offscreen screen at QT_SCALE_FACTOR=2,
# and the same screen with 144-dpi fonts.
add_executable(halvex_window_fit_tests window_fit_test.cpp)
target_link_libraries(halvex_window_fit_tests PRIVATE halvex_ui halvex_qt_test_main Qt6::Test)
set(HALVEX_FIT_SCREEN ${CMAKE_CURRENT_BINARY_DIR}/screen-1280x800.json)
file(WRITE ${HALVEX_FIT_SCREEN}
  "{ \"screens\": [ { \"name\": \"fit\", \"x\": 0, \"y\": 0, \"width\": 1280, \"height\": 800,"
  " \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1 } ] }\n")
gtest_discover_tests(halvex_window_fit_tests TEST_SUFFIX .scale2 NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 60 LABELS app
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${HALVEX_FIT_SCREEN};QT_SCALE_FACTOR=2")
gtest_discover_tests(halvex_window_fit_tests TEST_SUFFIX .font144 NO_PRETTY_VALUES DISCOVERY_TIMEOUT 60
  PROPERTIES TIMEOUT 60 LABELS app
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${HALVEX_FIT_SCREEN};QT_FONT_DPI=144")
