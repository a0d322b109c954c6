// Whole-file reading and writing for message files, byte for byte.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

// Reads all bytes of the regular file at `path` into `into` (reusing its capacity); false,
// with `into` unspecified, when the file cannot be opened or read.
bool read_file_bytes(const std::string& path, std::string& into);

// Creates or truncates `path` and writes `bytes`; false when that fails at any step.
bool write_file_bytes(const std::string& path, std::string_view bytes);

}  // namespace velmo
