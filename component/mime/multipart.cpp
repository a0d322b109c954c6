#include "mime/multipart.h"

#include <string>

#include "mime/ascii.h"
#include "mime/header_fields.h"

namespace velmo {
namespace {

// The epilogue is worth keeping when it holds anything but line breaks, blanks, dashes, dots.
bool has_content(std::string_view tail) {
    for (char c : tail)
        if (c != '\r' && c != '\n' && c != ' ' && c != '-' && c != '.') return true;
    return false;
}

// Calls `take` with every piece of `text` in order, without collecting them first.
template <class Take>
void for_each_piece(std::string_view text, std::string_view boundary, Take&& take) {
    std::string delimiter = "--";
    delimiter += boundary;
    std::size_t at = text.find(delimiter);
    if (at == std::string_view::npos) return;
    std::size_t begin = at + delimiter.size();
    while ((at = text.find(delimiter, begin)) != std::string_view::npos) {
        take(text.substr(begin, at - begin));
        begin = at + delimiter.size();
    }
    std::string_view tail = text.substr(begin);
    if (has_content(tail)) take(tail);
}

void build(std::string_view text, PartList& parts, int depth) {
    if (depth > kMaxMultipartDepth || !is_multipart(text)) {
        parts.add_view(text);
        return;
    }
    std::string_view boundary = GetFieldParam(GetPartField(text, "Content-Type"), "boundary");
    for_each_piece(text, boundary, [&](std::string_view piece) { build(piece, parts, depth + 1); });
}

}  // namespace

bool is_multipart(std::string_view text) {
    std::string_view type = GetFieldParam(GetPartField(text, "Content-Type"), "");
    return ascii::find_ci(type, "MULTIPART") != std::string_view::npos;
}

std::vector<std::string_view> SplitMultipart(std::string_view text, std::string_view boundary) {
    std::vector<std::string_view> pieces;
    for_each_piece(text, boundary, [&](std::string_view piece) { pieces.push_back(piece); });
    return pieces;
}

void BuildParts(std::string_view text, PartList& parts) { build(text, parts, 1); }

}  // namespace velmo
