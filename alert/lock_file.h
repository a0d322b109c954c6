// The alert's lock file: while a window for a sender and subject runs, it holds that alert's
// lock file open under an exclusive flock(2), so no second window for the same alert appears.
// The kernel drops the flock when the holder ends in any way (closed, killed, crashed, logged
// out), so a file left behind without a live holder no longer blocks: the next alert takes it
// over. The file's content is the quoted-field line "lock file" with CR LF.
#pragma once

#include <QString>

#include <memory>

namespace halvex::alert {

// Exactly the 13 bytes of every lock file.
inline constexpr char lock_file_content[] = "\"lock file\"\r\n";

// True only for a regular file at path that is longer than 1 byte; any error counts as false.
bool file_exists(const QString& path);

// An open descriptor on a lock file that holds its exclusive flock. Closing it (release or
// destruction) gives up the lock but leaves the file; remove_lock_file deletes it.
class HeldLock {
 public:
  explicit HeldLock(int fd) : fd_(fd) {}
  ~HeldLock();
  HeldLock(const HeldLock&) = delete;
  HeldLock& operator=(const HeldLock&) = delete;

  void release();
  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

enum class LockOutcome {
  taken,          // this process now holds the lock; the file holds its 13 bytes
  held_elsewhere,  // a live process holds it
  failed,         // the file cannot be opened, locked or written
};

struct LockAttempt {
  LockOutcome outcome = LockOutcome::failed;
  std::shared_ptr<HeldLock> hold;  // set when taken
};

// Opens or creates the lock file at path (never through a symbolic link), takes its flock
// without waiting and writes the 13 bytes, replacing whatever a dead holder left. A file that
// was deleted or replaced between the open and the flock is opened again.
LockAttempt take_lock(const QString& path);

// Deletes the file at path; false when it stays.
bool remove_lock_file(const QString& path);

}  // namespace halvex::alert
