#include "mime/uuencoded_parts.h"

#include <utility>

namespace velmo {
namespace {

constexpr std::string_view kBlockStart = "\r\n\r\nbegin";
constexpr std::string_view kEndMark = "`\r\nend";
constexpr std::string_view kBlankLine = "\r\n\r\n";

std::string synthetic_part(std::string_view name, std::string_view block) {
    std::string part;
    part.reserve(block.size() + name.size() + 96);
    // The Content-Type line ends with ";" and a tab, so the field carries on to the name line.
    part += "\r\nContent-Type: application/octet-stream;\t\r\nname=\"";
    part += name;
    part += "\"\r\nContent-Transfer-Encoding: uuencode\r\n\r\n";
    part += block;
    return part;
}

}  // namespace

std::string uuencoded_file_name(std::string_view begin_line_onwards) {
    std::string_view line = begin_line_onwards.substr(begin_line_onwards.size() < 5 ? begin_line_onwards.size() : 5);
    std::size_t eol = line.find("\r\n");
    if (eol == std::string_view::npos) return "UuencodeUnknown.dat";
    line = line.substr(0, eol);
    std::size_t space = line.rfind(' ');
    if (space == std::string_view::npos) return "UuencodeUnknown.dat";
    return std::string(line.substr(space + 1));
}

void ExtractUuencoded(PartList& parts) {
    if (parts.size() != 1) return;
    const std::string_view text = parts[0];
    PartList found;
    std::size_t from = 0;
    while (true) {
        std::size_t start = text.find(kBlockStart, from);
        if (start == std::string_view::npos) break;
        std::size_t end = text.find(kEndMark, start);
        if (end == std::string_view::npos) break;
        if (found.empty()) found.add_view(text.substr(0, start));
        std::size_t begin_line = start + kBlankLine.size();
        std::string_view block = text.substr(begin_line, end - begin_line);
        found.add_owned(synthetic_part(uuencoded_file_name(block), block));
        from = end + 1;
    }
    // Moving the list keeps the made-up parts where they are, so `text` stays valid until here.
    if (!found.empty()) parts = std::move(found);
}

}  // namespace velmo
