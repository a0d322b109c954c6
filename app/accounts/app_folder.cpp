#include "app_folder.h"

#include "atomic_file.h"

#include <QCryptographicHash>
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

// Whether `bytes`, a help page found in place, is one a version of Halvex wrote, unchanged: its
// SHA-256 is a line of `history`.
bool unedited_earlier_page(const QByteArray& bytes, const QString& history) {
  QFile sums(history);
  if (!sums.open(QIODevice::ReadOnly)) return false;
  const QByteArray sum = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
  for (const QByteArray& line : sums.readAll().split('\n'))
    if (line.trimmed() == sum) return true;
  return false;
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

bool write_help_page(const QString& folder, const QString& source, const QString& history) {
  QString target = folder;
  if (!target.endsWith(u'/')) target += u'/';
  target += QStringLiteral("help.htm");
  QFile in(source);
  const QFileInfo info(target);
  if (info.exists()) {
    // Only a plain file of a help page's size is read: never a pipe, a device or a huge file.
    constexpr qint64 kLargestPage = 4 << 20;
    QFile present(target);
    if (!info.isFile() || info.size() > kLargestPage || !present.open(QIODevice::ReadOnly)) return true;
    const QByteArray old_page = present.readAll();
    if (!in.open(QIODevice::ReadOnly)) return true;
    const QByteArray page = in.readAll();
    if (old_page == page || !unedited_earlier_page(old_page, history)) return true;
    return write_file_atomically(target, page, 0644) || QFileInfo::exists(target);
  }
  if (!in.open(QIODevice::ReadOnly)) return false;
  const QByteArray page = in.readAll();
  QFile out(target);
  return out.open(QIODevice::WriteOnly | QIODevice::NewOnly) &&
         out.write(page) == page.size() && out.flush();
}

}  // namespace halvex
