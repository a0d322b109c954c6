#include "mime/text_part.h"

#include <new>
#include <utility>

#include "mime/ascii.h"
#include "mime/base64.h"
#include "mime/charset.h"
#include "mime/header_fields.h"
#include "mime/quoted_printable.h"
#include "mime/uudecode.h"

namespace velmo {
namespace {

std::string_view body_of(std::string_view part) {
    std::size_t blank = part.find("\r\n\r\n");
    return blank == std::string_view::npos ? std::string_view{} : part.substr(blank + 4);
}

bool is_uuencode(std::string_view encoding) {
    for (std::string_view name : {"x-uue", "uuencode", "x-uuencode", "uue"})
        if (ascii::equals_ci(encoding, name)) return true;
    return false;
}

std::vector<unsigned char> counted(DecodedBytes decoded) {
    decoded.buffer.resize(decoded.count);
    return std::move(decoded.buffer);
}

// The lines of a uuencoded block: the "begin" line dropped, cut before its "end" line.
std::string_view uu_lines(std::string_view body) {
    if (ascii::matches_ci_at(body, 0, "begin")) {
        std::size_t eol = body.find("\r\n");
        body = eol == std::string_view::npos ? std::string_view{} : body.substr(eol + 2);
    }
    std::size_t end = body.find("\r\nend\r\n");
    if (end != std::string_view::npos) body = body.substr(0, end);
    std::size_t grave = body.find("`\r\n\r\n");
    if (grave != std::string_view::npos) body = body.substr(0, grave + 1);
    return body;
}

std::vector<unsigned char> uudecode_body(std::string_view body) {
    std::string_view lines = uu_lines(body);
    std::vector<unsigned char> out;
    try {
        out.resize((lines.size() + 3) / 4 * 3 + 1);
    } catch (const std::bad_alloc&) {
        return {};
    }
    out.resize(UuDecode(as_bytes(lines), out));
    return out;
}

}  // namespace

std::string_view transfer_encoding(std::string_view part) {
    return ascii::trim(GetFieldParam(GetPartField(part, "Content-Transfer-Encoding"), ""));
}

std::string DecodeTextPart(std::string_view part) {
    std::string_view encoding = transfer_encoding(part);
    std::string_view charset = GetFieldParam(GetPartField(part, "Content-Type"), "Charset");
    std::string_view body = body_of(part);
    DecodedBytes decoded;
    if (ascii::equals_ci(encoding, "base64")) {
        decoded = Base64Decode(as_bytes(body));
        body = decoded.as_text();
    } else if (ascii::equals_ci(encoding, "quoted-printable")) {
        decoded = QpDecode(as_bytes(body));
        body = decoded.as_text();
    }
    return ConvertCharset(body, charset);
}

std::vector<unsigned char> DecodePartData(std::string_view part) {
    std::string_view encoding = transfer_encoding(part);
    std::string_view body = body_of(part);
    if (ascii::equals_ci(encoding, "base64")) return counted(Base64Decode(as_bytes(body)));
    if (ascii::equals_ci(encoding, "quoted-printable")) return counted(QpDecode(as_bytes(body)));
    if (is_uuencode(encoding)) return uudecode_body(body);
    return std::vector<unsigned char>(body.begin(), body.end());
}

}  // namespace velmo
