// Whole-file reading and writing for message files, byte for byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmo {

// All bytes of the regular file at `path`; nothing when it cannot be opened or read.
std::optional<std::string> read_file_bytes(const std::string& path);

// Creates or truncates `path` and writes `bytes`; false when that fails at any step.
bool write_file_bytes(const std::string& path, std::string_view bytes);

}  // namespace velmo
