#include "instance_lock.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace halvex {

InstanceLock::InstanceLock(const QString& folder) {
  path_ = folder;
  if (!path_.endsWith(u'/')) path_ += u'/';
  path_ += QStringLiteral(".instance.lock");
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

bool InstanceLock::acquire() {
  if (fd_ >= 0) return true;
  // Close-on-exec: programs started from here (the alert program) must not inherit it.
  const int fd = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

}  // namespace halvex
