// Replacing a file atomically: the new content is written to a temporary file in the
// same folder, synced, and renamed over the old file only once it is complete, so a
// failed write (disk full, file size limit) leaves the old file as it was.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <sys/types.h>

namespace halvex {

// Writes `bytes` as the file `path` with permission bits `mode`. The temporary file
// is hidden (".name.XXXXXX") and removed again on failure.
bool write_file_atomically(const QString& path, QByteArrayView bytes, mode_t mode);

}  // namespace halvex
