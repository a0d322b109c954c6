// Writing attachments to files and deleting files. An attachment name is the sender's text,
// so saving into a folder uses only its last path component ("/" and "\" both separate), and
// a name that leaves nothing usable ("", ".", "..") falls back to the numbered name: no mail
// can write outside the chosen folder. Paths longer than the platform allows are refused,
// never truncated.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velmo {

// The last path component of `name`, or `fallback` when that is empty, "." or "..".
std::string safe_attachment_name(std::string_view name, std::string_view fallback);

// `folder`, a "/" unless it ends with one, and `name`; nothing when the folder is empty or
// the path would be longer than the platform allows.
std::optional<std::string> attachment_target(std::string_view folder, std::string_view name);

// True when `path` is not empty, holds no NUL and stays within the platform's limits.
bool save_path_fits(std::string_view path);

// Creates or truncates `path` and writes all of `bytes`; false on any failure, also for an
// empty or overlong path.
bool save_bytes(const std::string& path, std::span<const unsigned char> bytes);

// Deletes the file (not a folder) at `path`; false when nothing was deleted.
bool delete_file(const std::string& path);

}  // namespace velmo
