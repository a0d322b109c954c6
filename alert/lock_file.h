// The alert's lock file: while one exists (longer than 1 byte), no second window for the same
// sender and subject appears. Its content is the quoted-field line "lock file" with CR LF;
// only its existence and length are ever looked at.
#pragma once

#include <QString>

namespace halvex::alert {

// Exactly the 13 bytes of every lock file.
inline constexpr char lock_file_content[] = "\"lock file\"\r\n";

// True only for a regular file at path that is longer than 1 byte; any error counts as false.
bool file_exists(const QString& path);

// Writes the lock file, replacing a file of 0 or 1 byte. Written to a temporary file and renamed
// into place, so a failure leaves no half-written lock behind.
bool write_lock_file(const QString& path);

// Deletes the file at path; false when it stays.
bool remove_lock_file(const QString& path);

}  // namespace halvex::alert
