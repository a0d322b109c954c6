#include "pop3/reply_numbers.h"

#include <algorithm>
#include <limits>

namespace velmo {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
constexpr std::uint64_t kLongMax = std::numeric_limits<std::int32_t>::max();
constexpr std::uint64_t kSizeMax = std::numeric_limits<std::uint32_t>::max();

}  // namespace

bool read_bounded_number(std::string_view text, std::size_t& pos, std::uint64_t max, std::uint64_t& value) {
    while (pos < text.size() && is_blank(text[pos])) ++pos;
    const std::size_t start = pos;
    value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        value = value * 10 + std::uint64_t(text[pos] - '0');
        if (value > max) return false;  // checked per digit, so value never overflows
    }
    return pos > start;
}

StatNumbers parse_stat_numbers(std::string_view reply) {
    StatNumbers out;
    std::size_t pos = reply.find_first_of(" \t");
    if (pos == std::string_view::npos) return out;
    ++pos;
    std::uint64_t value = 0;
    // A count with no digits reads as 0; one beyond 2^31 - 1 fails.
    if (!read_bounded_number(reply, pos, kLongMax, value) && value > 0) return out;
    out.count = static_cast<std::int32_t>(value);
    out.count_read = true;
    pos = reply.find_first_of(" \t", pos);
    if (pos == std::string_view::npos) return out;
    ++pos;
    if (!read_bounded_number(reply, pos, kSizeMax, value)) return out;
    out.total_size = static_cast<std::int32_t>(std::min(value, kLongMax));
    out.ok = true;
    return out;
}

bool parse_list_line(std::string_view line, std::int32_t count, std::uint32_t& size) {
    std::size_t pos = 0;
    std::uint64_t number = 0, value = 0;
    if (!read_bounded_number(line, pos, kLongMax, number) || number < 1 || number > std::uint64_t(std::max(count, 0)))
        return false;
    if (pos >= line.size() || !is_blank(line[pos])) return false;
    if (!read_bounded_number(line, pos, kSizeMax, value)) return false;
    // After the size only blanks, a CR or further words may follow, never more digits
    // glued on with a sign or letters ("12x" is not a size).
    if (pos < line.size() && !is_blank(line[pos]) && line[pos] != '\r') return false;
    size = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace velmo
