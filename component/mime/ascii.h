// ASCII-only text helpers for header work: upper-casing that keeps every position,
// case-insensitive comparison and search, and white-space trimming.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmo::ascii {

constexpr char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Space, tab, CR, LF, vertical tab and form feed (the C locale's white space).
constexpr bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline std::string to_upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = upper(c);
    return out;
}

inline bool equals_ci(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

// True when `text` at `pos` starts with `key`, ignoring ASCII case.
inline bool matches_ci_at(std::string_view text, std::size_t pos, std::string_view key) {
    if (pos > text.size() || text.size() - pos < key.size()) return false;
    return equals_ci(text.substr(pos, key.size()), key);
}

// First position at or after `from` where `key` occurs ignoring ASCII case, or npos.
inline std::size_t find_ci(std::string_view text, std::string_view key, std::size_t from = 0) {
    if (key.empty()) return from <= text.size() ? from : std::string_view::npos;
    const char first_upper = upper(key[0]);
    const char first_lower = lower(key[0]);
    for (std::size_t i = from; i + key.size() <= text.size(); ++i) {
        if ((text[i] == first_upper || text[i] == first_lower) && matches_ci_at(text, i, key)) return i;
    }
    return std::string_view::npos;
}

inline std::string_view trim_left(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && is_space(s[i])) ++i;
    return s.substr(i);
}
inline std::string_view trim_right(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && is_space(s[n - 1])) --n;
    return s.substr(0, n);
}
inline std::string_view trim(std::string_view s) { return trim_right(trim_left(s)); }

}  // namespace velmo::ascii
