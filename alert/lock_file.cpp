#include "lock_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <iterator>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halvex::alert {
namespace {

// Tries against a holder that deletes the file between our open and our flock, which only a
// close in that same instant does; a few rounds are plenty.
constexpr int kOpenRounds = 8;

bool same_file(int fd, const QByteArray& path) {
  struct stat opened {};
  struct stat named {};
  return fstat(fd, &opened) == 0 && lstat(path.constData(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

bool write_content(int fd) {
  constexpr ssize_t length = std::size(lock_file_content) - 1;
  return ftruncate(fd, 0) == 0 && pwrite(fd, lock_file_content, length, 0) == length;
}

}  // namespace

bool file_exists(const QString& path) {
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  return info.isFile() && info.size() > 1;
}

HeldLock::~HeldLock() { release(); }

void HeldLock::release() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
}

LockAttempt take_lock(const QString& path) {
  if (path.isEmpty()) return {};
  const QByteArray name = QFile::encodeName(path);
  for (int round = 0; round < kOpenRounds; ++round) {
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return {};
    auto hold = std::make_shared<HeldLock>(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return {};
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) return {LockOutcome::held_elsewhere, nullptr};
      return {};
    }
    // The holder before us may have deleted the file after our open: lock the file at path.
    if (!same_file(fd, name)) continue;
    if (!write_content(fd)) {
      ::unlink(name.constData());
      return {};
    }
    return {LockOutcome::taken, std::move(hold)};
  }
  return {};
}

bool remove_lock_file(const QString& path) {
  return QFile::remove(path) || !QFileInfo::exists(path);
}

}  // namespace halvex::alert
