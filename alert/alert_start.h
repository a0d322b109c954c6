// The alert program's start-up up to showing its window: split the argument text, name the lock
// file, end silently when another running window for the same sender and subject holds the
// lock, else take the lock (a file left by a window that no longer runs is taken over).
// Decides what the window shows; shows nothing itself.
#pragma once

#include "argument_text.h"
#include "lock_file.h"

#include <QString>

namespace halvex::alert {

enum class StartOutcome {
  show,        // lock taken; the window shows the fields
  corrupt,     // unusable text or lock not writable; the window shows "Corrupt command line!"
  silent_end,  // another window holds the lock: end without showing anything
};

struct AlertStart {
  StartOutcome outcome = StartOutcome::corrupt;
  AlertFields fields;  // what the three value fields show
  QString lock_path;   // the lock this instance holds; empty when it holds none
  std::shared_ptr<HeldLock> lock;  // the flock on lock_path, held while this is kept
};

// folder: the application folder; it is created when missing.
AlertStart start_alert(const QString& argument_text, const QString& folder);

}  // namespace halvex::alert
