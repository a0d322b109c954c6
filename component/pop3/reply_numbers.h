// Numbers in server replies, range-checked: a STAT line's count and total size and a LIST
// line's message number and size. Everything a server sends is untrusted, so a number that
// is missing, signed, made of letters or beyond its range is rejected, never wrapped or
// clamped into a plausible value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmo {

// Reads a decimal number at pos: blanks skipped, then at least one digit, up to the first
// non-digit; false when there is no digit or the value exceeds max. Leaves pos after the digits.
bool read_bounded_number(std::string_view text, std::size_t& pos, std::uint64_t max, std::uint64_t& value);

// The numbers of a STAT reply ("+OK count size"). The count is at most 2^31 - 1 (a count with
// no digits, such as "-1" or "many", reads as 0), the total size at most 2^32 - 1 (answered
// as at most 2^31 - 1). count_read tells whether the count passed even when the reply fails
// later.
struct StatNumbers {
    bool ok = false;
    bool count_read = false;
    std::int32_t count = 0;
    std::int32_t total_size = 0;
};
StatNumbers parse_stat_numbers(std::string_view reply);

// One LIST line ("number size", CR allowed at the end): true when the message number lies in
// 1..count and the size fits 32 bits.
bool parse_list_line(std::string_view line, std::int32_t count, std::uint32_t& size);

}  // namespace velmo
