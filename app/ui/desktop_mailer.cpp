#include "desktop_mailer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTextStream>

namespace halvex {
namespace {

constexpr int kQueryMs = 3000;
const QString kMailto = QStringLiteral("x-scheme-handler/mailto");

QString ask_xdg_mime() {
  const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
  if (program.isEmpty()) return {};
  QProcess query;
  query.start(program, {QStringLiteral("query"), QStringLiteral("default"), kMailto});
  if (!query.waitForFinished(kQueryMs)) {
    query.kill();
    query.waitForFinished();
    return {};
  }
  if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return {};
  return QString::fromUtf8(query.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
}

QStringList env_dirs(const char* name, const QString& fallback) {
  QStringList dirs = qEnvironmentVariable(name).split(u':', Qt::SkipEmptyParts);
  if (dirs.isEmpty()) dirs = fallback.split(u':', Qt::SkipEmptyParts);
  return dirs;
}

// The mimeapps.list files, most important first.
QStringList mimeapps_files() {
  QStringList files;
  const QString home = QDir::homePath();
  const QString config = qEnvironmentVariable("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
  const QString data = qEnvironmentVariable("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
  files << config + QStringLiteral("/mimeapps.list");
  for (const QString& dir : env_dirs("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")))
    files << dir + QStringLiteral("/mimeapps.list");
  files << data + QStringLiteral("/applications/mimeapps.list");
  for (const QString& dir : env_dirs("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share")))
    files << dir + QStringLiteral("/applications/mimeapps.list");
  return files;
}

// The value of `key` in `group` of a desktop-style file; empty when absent.
QString ini_value(const QString& path, const QString& group, const QString& key) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QTextStream in(&file);
  bool inside = false;
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.startsWith(u'[')) {
      inside = line == u'[' + group + u']';
      continue;
    }
    if (!inside) continue;
    const qsizetype eq = line.indexOf(u'=');
    if (eq > 0 && line.left(eq).trimmed() == key) return line.mid(eq + 1).trimmed();
  }
  return {};
}

QString from_mimeapps_lists() {
  for (const QString& path : mimeapps_files()) {
    const QString value = ini_value(path, QStringLiteral("Default Applications"), kMailto);
    const QString first = value.section(u';', 0, 0).trimmed();
    if (!first.isEmpty()) return first;
  }
  return {};
}

// The first word of an Exec line: the program, unquoted ("..." with \-escapes).
QString exec_program(const QString& exec) {
  const QString line = exec.trimmed();
  if (!line.startsWith(u'"')) return line.section(u' ', 0, 0);
  QString word;
  for (qsizetype i = 1; i < line.size(); ++i) {
    if (line[i] == u'\\' && i + 1 < line.size()) {
      word += line[++i];
    } else if (line[i] == u'"') {
      return word;
    } else {
      word += line[i];
    }
  }
  return {};
}

}  // namespace

QString default_mailto_entry() {
  const QString asked = ask_xdg_mime();
  return asked.endsWith(QStringLiteral(".desktop")) ? asked : from_mimeapps_lists();
}

QString program_of_desktop_entry(const QString& entry_name) {
  if (entry_name.isEmpty() || entry_name.contains(u'/')) return {};
  const QString entry = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry_name);
  if (entry.isEmpty()) return {};
  const QString program = exec_program(ini_value(entry, QStringLiteral("Desktop Entry"), QStringLiteral("Exec")));
  if (program.isEmpty()) return {};
  if (program.startsWith(u'/')) return QFile::exists(program) ? program : QString();
  return QStandardPaths::findExecutable(program);
}

QString desktop_mail_program() { return program_of_desktop_entry(default_mailto_entry()); }

}  // namespace halvex
