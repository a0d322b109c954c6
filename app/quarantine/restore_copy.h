// Writing a kept copy back out, byte for byte: halvex --restore, and Save As in the
// Deleted Mail window.
#pragma once

#include <QString>

namespace halvex {

struct RestoreResult {
  QString path;   // the file written; empty on failure
  QString error;  // why nothing was written; empty on success
};

// Copies `source` to `target`. When `target` is a folder the copy gets the name
// `file_name` there ("name (2).eml" and so on when that is taken). The file appears whole
// or not at all (written to a temporary file, synced, renamed).
RestoreResult restore_copy(const QString& source, const QString& target, const QString& file_name);

// A file name for a copy: "<id>.eml".
QString restore_file_name(const QString& id);

}  // namespace halvex
