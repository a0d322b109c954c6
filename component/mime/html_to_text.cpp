#include "mime/html_to_text.h"

#include <array>

namespace velmo {
namespace {

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Case-insensitive (ASCII) search for an upper-case needle.
size_t find_upper(std::string_view text, std::string_view upper_needle) {
    if (upper_needle.size() > text.size()) return std::string_view::npos;
    for (size_t i = 0; i + upper_needle.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < upper_needle.size() && ascii_upper(text[i + k]) == upper_needle[k]) ++k;
        if (k == upper_needle.size()) return i;
    }
    return std::string_view::npos;
}

// Does text[0, end) end with the upper-case suffix, letters compared in either case?
bool ends_with_upper(std::string_view text, size_t end, std::string_view upper_suffix) {
    if (upper_suffix.size() > end) return false;
    size_t start = end - upper_suffix.size();
    for (size_t k = 0; k < upper_suffix.size(); ++k)
        if (ascii_upper(text[start + k]) != upper_suffix[k]) return false;
    return true;
}

struct TagEnd {
    std::string_view suffix;
    std::string_view appended;
};
constexpr std::array<TagEnd, 5> kTagEnds{{
    {"/TR>", "\r\n"},
    {"BR>", "\r\n"},
    {"/P>", "\r\n"},
    {"/TD>", " "},
    {"HR>", "\r\n"},
}};

struct Entity {
    std::string_view name;
    char replacement;
};
constexpr std::array<Entity, 3> kEntities{{{"&lt;", '<'}, {"&gt;", '>'}, {"&nbsp;", ' '}}};

}  // namespace

std::string html_to_text(std::string_view html) {
    size_t body = find_upper(html, "<BODY");
    std::string_view text = body == std::string_view::npos ? html : html.substr(body);

    std::string out;
    out.reserve(text.size());
    bool in_tag = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (in_tag) {
            if (c != '>') continue;
            in_tag = false;
            for (const TagEnd& row : kTagEnds) {
                if (ends_with_upper(text, i + 1, row.suffix)) {
                    out += row.appended;
                    break;
                }
            }
            continue;
        }
        if (c == '<') {
            in_tag = true;
            continue;
        }
        if (c == '>') continue;
        if (c == '&') {
            bool replaced = false;
            for (const Entity& e : kEntities) {
                if (text.substr(i, e.name.size()) == e.name) {
                    out += e.replacement;
                    i += e.name.size() - 1;
                    replaced = true;
                    break;
                }
            }
            if (replaced) continue;
        }
        out += c;
    }
    return out;
}

}  // namespace velmo
