// Message file names: a message is stored as the standard base64 (RFC 4648 section 4, with
// "=" padding, no line breaks) of its identifier's UTF-8 bytes, followed by ".eml".
// The decoder is lenient, so that any listed file name maps to some identifier: characters
// with their high bit set read as the same character without it, "=" and bytes outside the
// alphabet count as zero bits, a short final group is completed with zero bits, and the
// result ends at its first NUL byte.
#pragma once

#include <string>
#include <string_view>

namespace velmo::store {

inline constexpr std::string_view kMessageExtension = ".eml";

std::string base64_encode(std::string_view bytes);
// Decodes four characters into three bytes at a time; the NUL cut is left to the caller.
std::string base64_decode_name(std::string_view text);

// "<base64 of id>.eml".
std::string message_file_name(std::string_view id);
// The identifier a listed file name stands for: the name up to its last ".", decoded, up to
// the first NUL byte.
std::string message_id_from_file_name(std::string_view file_name);
// Whether a directory entry that is not a folder counts as a message file: its name contains
// ".eml" anywhere, letter case exact.
bool is_message_file_name(std::string_view file_name);

}  // namespace velmo::store
