// The main() of every Qt test binary: one QApplication, headless by default, and
// data folders that are never the user's own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // gtest_discover_tests runs the binary at build time, where no display exists.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  // Whatever a test forgets to set, settings and accounts land in a throw-away folder.
  QTemporaryDir home;
  if (!home.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
  qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
  qputenv("HALVEX_HOME", QFile::encodeName(home.filePath("halvex")));

  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
