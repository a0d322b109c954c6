#include "mime/header_fields.h"

#include <cstring>

#include "mime/ascii.h"

namespace velmo {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kBlankLine = "\r\n\r\n";

// Position of the first line start at or after `from` (line starts follow a CR LF; position 0
// counts as one too) where `name` begins, ignoring case; npos when none.
std::size_t find_line_starting(std::string_view text, std::string_view name, std::size_t from) {
    if (from == 0 && ascii::matches_ci_at(text, 0, name)) return 0;
    std::size_t pos = from < 2 ? 0 : from - 2;
    while ((pos = text.find(kCrLf, pos)) != std::string_view::npos) {
        std::size_t start = pos + 2;
        if (start >= from && ascii::matches_ci_at(text, start, name)) return start;
        pos = start;
    }
    return std::string_view::npos;
}

bool continues_folded(std::string_view text, std::size_t crlf) {
    std::size_t next = crlf + 2;
    return next < text.size() && (text[next] == ' ' || text[next] == '\t');
}

}  // namespace

std::string_view GetHeaderBlock(std::string_view message) {
    std::size_t blank = message.find(kBlankLine);
    return blank == std::string_view::npos ? message : message.substr(0, blank);
}

std::string GetField(std::string_view header_block, std::string_view name, int index) {
    if (index < 0) return {};
    // The key is the name with its colon at the start of a line; the header's first line
    // counts as a line start, as if a CR LF preceded the block.
    std::string key(name);
    key.push_back(':');
    std::size_t start = find_line_starting(header_block, key, 0);
    for (int i = 0; i < index && start != std::string_view::npos; ++i)
        start = find_line_starting(header_block, key, start + key.size());
    if (start == std::string_view::npos) return {};

    std::size_t value_begin = start + key.size();
    std::size_t end = value_begin;
    while (true) {
        end = header_block.find(kCrLf, end);
        if (end == std::string_view::npos) {
            end = header_block.size();
            break;
        }
        if (!continues_folded(header_block, end)) break;
        end += 2;
    }
    std::string value;
    value.reserve(end - value_begin);
    for (std::size_t i = value_begin; i < end; ++i) {
        char c = header_block[i];
        if (c == '\r' && i + 1 < end && header_block[i + 1] == '\n') {
            ++i;
            continue;
        }
        value.push_back(c == '\t' ? ' ' : c);
    }
    std::string_view trimmed = ascii::trim(value);
    return std::string(trimmed);
}

std::string_view GetPartField(std::string_view part, std::string_view name) {
    std::size_t blank = part.find(kBlankLine);
    std::string_view region = blank == std::string_view::npos ? part : part.substr(0, blank + kBlankLine.size());
    // A part cut at a boundary starts with the CR LF that ends the boundary line; only text
    // that does not is searched as if one preceded it.
    std::size_t start = region.substr(0, 2) == kCrLf ? find_line_starting(region, name, 2)
                                                     : find_line_starting(region, name, 0);
    if (start == std::string_view::npos) return {};

    // The field ends at the first CR LF whose line, trimmed at its right end, does not end
    // with ";". Track the last non-space byte seen so each line costs only its own length.
    std::size_t scan = start + name.size();
    char last = '\0';
    for (std::size_t i = scan; i-- > 0;) {
        if (!ascii::is_space(region[i])) {
            last = region[i];
            break;
        }
    }
    while (true) {
        std::size_t crlf = region.find(kCrLf, scan);
        if (crlf == std::string_view::npos) return {};
        for (std::size_t i = scan; i < crlf; ++i)
            if (!ascii::is_space(region[i])) last = region[i];
        if (last != ';') return region.substr(start, crlf - start);
        scan = crlf + 2;
    }
}

std::string_view GetFieldParam(std::string_view field_text, std::string_view param) {
    if (param.empty()) {
        std::size_t colon = field_text.find(':');
        if (colon == std::string_view::npos) return {};
        std::string_view value = field_text.substr(colon + 1);
        value = value.substr(0, value.find(';'));
        return ascii::trim_left(value);
    }
    std::string key(param);
    key += "=\"";
    std::size_t at = ascii::find_ci(field_text, key);
    if (at != std::string_view::npos) {
        std::size_t begin = at + key.size();
        // The closing quote is searched from the value's second character on.
        std::size_t close = begin + 1 <= field_text.size() ? field_text.find('"', begin + 1) : std::string_view::npos;
        if (close == std::string_view::npos) return {};
        return field_text.substr(begin, close - begin);
    }
    key.pop_back();
    at = ascii::find_ci(field_text, key);
    if (at == std::string_view::npos) return {};
    // An unquoted value may hold blanks ('name=my report.pdf'): it runs to the next ";", line
    // break or the end of the field, and only the blanks at its end are dropped.
    std::string_view value = field_text.substr(at + key.size());
    return ascii::trim_right(value.substr(0, value.find_first_of(";\r\n")));
}

}  // namespace velmo
