#include "account_file.h"

#include "account_format.h"
#include "atomic_file.h"
#include "text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace halvex {

namespace {

const QString kExtension = QStringLiteral(".dat");

// Account files hold a few phrase lists; anything far larger is not one of ours and
// is refused rather than read into memory.
constexpr qint64 kMaxAccountFileSize = 64 * 1024 * 1024;

QString folder_with_slash(const QString& folder) {
  return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool has_account_extension(const QString& file_name) {
  return file_name.size() > kExtension.size() &&
         file_name.endsWith(kExtension, Qt::CaseInsensitive);
}

}  // namespace

bool valid_account_name(const QString& name) {
  return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') &&
         !name.contains(QChar(u'\0'));
}

QString account_file_path(const QString& folder, const QString& name) {
  if (folder.isEmpty() || !valid_account_name(name)) return {};
  const QString dir = folder_with_slash(folder);
  const QString exact = dir + name + kExtension;
  if (QFileInfo(exact).isFile()) return exact;
  // Accept any letter case of the extension, as the account list does.
  const QStringList files = QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
  for (const QString& file : files)
    if (file.size() == name.size() + kExtension.size() && file.startsWith(name) &&
        has_account_extension(file))
      return dir + file;
  return exact;
}

bool account_file_ok(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() && info.size() > 1;
}

bool load_account(const QString& folder, const QString& name, AccountRecord& record) {
  const QString path = account_file_path(folder, name);
  if (path.isEmpty() || !account_file_ok(path)) return false;
  QFile file(path);
  if (QFileInfo(path).size() > kMaxAccountFileSize || !file.open(QIODevice::ReadOnly))
    return false;
  const QByteArray bytes = file.read(kMaxAccountFileSize + 1);
  if (file.error() != QFileDevice::NoError || bytes.size() > kMaxAccountFileSize) return false;
  std::optional<AccountRecord> loaded = parse_account(decode_text(bytes));
  if (!loaded) return false;
  record = std::move(*loaded);
  return true;
}

bool save_account(const QString& folder, const QString& name, const AccountRecord& record) {
  const QString path = account_file_path(folder, name);
  if (path.isEmpty()) return false;
  const std::optional<QByteArray> bytes = format_account(record);
  if (!bytes) return false;
  return write_file_atomically(path, *bytes, 0600);
}

QStringList get_accounts(const QString& folder) {
  QStringList names;
  if (folder.isEmpty()) return names;
  // QDir::Files without QDir::Hidden or QDir::System: ordinary, visible files only.
  const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Unsorted);
  for (const QString& file : files)
    if (has_account_extension(file)) names.append(file.left(file.size() - kExtension.size()));
  return names;
}

bool remove_account(const QString& folder, const QString& name) {
  const QString path = account_file_path(folder, name);
  return !path.isEmpty() && QFileInfo(path).isFile() && QFile::remove(path);
}

}  // namespace halvex
