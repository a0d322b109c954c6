// InstanceLock: one filtering Halvex per application folder. The window and every
// halvex --once hold an exclusive lock on the file ".instance.lock" in the application
// folder while they run; the system releases it with the process, however that ends
// (crash, kill, logout), so a stale lock never blocks a later start.
#pragma once

#include <QString>

namespace halvex {

class InstanceLock {
 public:
  explicit InstanceLock(const QString& folder);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock without waiting. False when another process holds it (or the lock
  // file cannot be opened).
  bool acquire();
  bool held() const { return fd_ >= 0; }

  const QString& path() const { return path_; }

 private:
  QString path_;
  int fd_ = -1;
};

// Exit status of a start refused because another Halvex filters the same folder.
inline constexpr int kAlreadyRunning = 3;

}  // namespace halvex
