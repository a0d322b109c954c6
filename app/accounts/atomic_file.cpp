#include "atomic_file.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halvex {

namespace {

bool write_all(int fd, QByteArrayView bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;  // a short write is followed by the error that caused it
    done += n;
  }
  return true;
}

void sync_folder(const QByteArray& folder) {
  const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool write_file_atomically(const QString& path, QByteArrayView bytes, mode_t mode) {
  const QFileInfo info(path);
  const QByteArray folder = QFile::encodeName(info.absolutePath());
  const QByteArray target = QFile::encodeName(info.absoluteFilePath());
  QByteArray temp = folder + "/." + QFile::encodeName(info.fileName()) + ".XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);  // created with mode 0600
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, bytes) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.constData(), target.constData()) == 0;
  if (!ok) {
    ::unlink(temp.constData());
    return false;
  }
  sync_folder(folder);
  return true;
}

}  // namespace halvex
