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

// The body of a message given as a string: its non-ASCII bytes are UTF-8 already and stand
// as they are; each stretch of ASCII is still in the part's charset (quoted-printable escapes
// too), so it is decoded and converted. A decoded NUL ends the text, as it does for bytes.
std::string unicode_body(std::string_view body, bool qp, const CharsetConverter& charset) {
    auto is_ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    std::string out;
    for (std::size_t begin = 0, end = 0; begin < body.size(); begin = end) {
        const bool ascii_run = is_ascii(body[begin]);
        end = begin;
        while (end < body.size() && is_ascii(body[end]) == ascii_run) ++end;
        std::string_view run = body.substr(begin, end - begin);
        if (!ascii_run) {
            out.append(run);
        } else if (!qp) {
            charset.append(out, run);
        } else {
            DecodedBytes decoded = QpDecode(as_bytes(run));
            std::string_view text = decoded.as_text();
            charset.append(out, text);
            if (text.size() < decoded.count) break;
        }
    }
    return out;
}

}  // namespace

std::string_view transfer_encoding(std::string_view part) {
    return ascii::trim(GetFieldParam(GetPartField(part, "Content-Transfer-Encoding"), ""));
}

std::string DecodeTextPart(std::string_view part, TextOrigin origin) {
    std::string_view encoding = transfer_encoding(part);
    const CharsetConverter charset(GetFieldParam(GetPartField(part, "Content-Type"), "Charset"));
    std::string_view body = body_of(part);
    const bool base64 = ascii::equals_ci(encoding, "base64");
    const bool qp = !base64 && ascii::equals_ci(encoding, "quoted-printable");
    // Base64 text is ASCII whatever the origin, and its decoded bytes are the sender's.
    if (origin == TextOrigin::Unicode && !base64 && !charset.passes_through()) return unicode_body(body, qp, charset);
    DecodedBytes decoded;
    if (base64) {
        decoded = Base64Decode(as_bytes(body));
        body = decoded.as_text();
    } else if (qp) {
        decoded = QpDecode(as_bytes(body));
        body = decoded.as_text();
    }
    std::string out;
    charset.append(out, body);
    return out;
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
