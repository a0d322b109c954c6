#include "lock_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <iterator>

namespace halvex::alert {

bool file_exists(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.isFile() && info.size() > 1;
}

bool write_lock_file(const QString& path) {
  if (path.isEmpty()) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  constexpr qint64 length = std::size(lock_file_content) - 1;
  if (file.write(lock_file_content, length) != length) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

bool remove_lock_file(const QString& path) {
  return QFile::remove(path) || !QFileInfo::exists(path);
}

}  // namespace halvex::alert
