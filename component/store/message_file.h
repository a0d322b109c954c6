// Reading and writing one message file: raw bytes, nothing of the store's own around them.
// Writes go to a hidden temporary file in the same folder that is synced and then renamed
// into place, so a failed or interrupted save never leaves a half-written message or damages
// the message it was meant to replace. A deferred write is renamed into place unsynced and
// owed to deferred_sync.h instead.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmo::store {

// Larger files are not read: their text would not fit an interface string.
inline constexpr size_t kMaxMessageBytes = size_t{1} << 30;

// The file's text up to its first NUL byte; nothing when it is not a regular file (a FIFO is
// never waited on), cannot be read, or is larger than kMaxMessageBytes.
std::optional<std::string> read_message_file(const std::string& path);

// The folder holding the file at path ("." for a bare name).
std::string folder_of(const std::string& path);

enum class WriteResult { written, exists, failed };
enum class SyncMode { now, deferred };

// Writes the bytes as the file at path. With replace, an existing file is overwritten;
// without, an existing entry is left alone and the result is `exists`.
WriteResult write_message_file(const std::string& path, std::string_view bytes, bool replace,
                               SyncMode sync = SyncMode::now);

}  // namespace velmo::store
