#include "autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace halvex {

QString autostart_entry_path() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/autostart/halvex.desktop");
}

bool autostart_enabled() {
  QFile entry(autostart_entry_path());
  if (!entry.open(QIODevice::ReadOnly)) return false;
  while (!entry.atEnd())
    if (entry.readLine().trimmed() == "Hidden=true") return false;
  return true;
}

QString desktop_exec_value(const QString& program) {
  // Inside the quotes " ` $ and \ take a backslash; the key's own string escaping then
  // doubles every backslash; a literal % is written %%.
  QString quoted;
  for (QChar c : program) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
    quoted += c;
  }
  quoted.replace(u'\\', QStringLiteral("\\\\"));
  quoted.replace(u'%', QStringLiteral("%%"));
  return u'"' + quoted + u'"';
}

bool set_autostart(bool enabled, const QString& program) {
  const QString path = autostart_entry_path();
  if (!enabled) return !QFileInfo::exists(path) || QFile::remove(path);
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  const QString entry = QStringLiteral(
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Halvex\n"
                            "Comment=Deletes spam on your POP3 servers before your e-mail client downloads it\n"
                            "Exec=%1\n"
                            "Icon=halvex\n"
                            "Terminal=false\n"
                            "X-GNOME-Autostart-enabled=true\n")
                            .arg(desktop_exec_value(program));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = entry.toUtf8();
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

}  // namespace halvex
