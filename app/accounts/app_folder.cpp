#include "app_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace halvex {

namespace {

QString& resolved_folder() {
  static QString folder;
  return folder;
}

}  // namespace

QString resolve_app_folder() {
  QString folder = qEnvironmentVariable("HALVEX_HOME");
  if (folder.isEmpty())
    folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
             QStringLiteral("/halvex");
  folder = QFileInfo(folder).absoluteFilePath();
  // Account files hold passwords: a folder made here is the user's alone.
  const bool existed = QFileInfo(folder).isDir();
  if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) return {};
  if (!existed) QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  if (!folder.endsWith(u'/')) folder += u'/';
  qputenv("HALVEX_HOME", QFile::encodeName(folder));
  resolved_folder() = folder;
  return folder;
}

const QString& app_folder() { return resolved_folder(); }

bool write_help_page(const QString& folder, const QString& source) {
  QString target = folder;
  if (!target.endsWith(u'/')) target += u'/';
  target += QStringLiteral("help.htm");
  if (QFileInfo::exists(target)) return true;
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) return false;
  const QByteArray page = in.readAll();
  QFile out(target);
  return out.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
         out.write(page) == page.size() && out.flush();
}

}  // namespace halvex
