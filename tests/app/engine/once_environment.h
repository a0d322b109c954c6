// The environment a halvex --once process of the tests runs in: the test's own application,
// config and data folders, and no display, so it never reaches the tester's desktop.
#pragma once

#include <QProcessEnvironment>
#include <QString>

namespace halvex {

inline QProcessEnvironment once_environment(const QString& app_folder, const QString& home,
                                            const QProcessEnvironment& extra = {}) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& key : extra.keys()) env.insert(key, extra.value(key));
  env.insert("HALVEX_HOME", app_folder);
  env.insert("XDG_CONFIG_HOME", home + "/config");
  env.insert("XDG_DATA_HOME", home + "/data");
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  return env;
}

}  // namespace halvex
