// Decoding of one MIME part (its header lines, a blank line and its body): the body as text
// for display and matching, or the body's bytes for an attachment, by the part's
// Content-Transfer-Encoding and, for text, its Content-Type charset.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mime/part_list.h"

namespace velmo {

// The body after the first blank line, base64 or quoted-printable decoded when the part says
// so, read as text up to its first NUL byte and converted from its charset to UTF-8. A part
// of a message given as a string (TextOrigin::Unicode) is UTF-8 already outside its ASCII
// bytes: only what is still in the charset is converted, so the text reads the same as when
// the message's bytes are loaded from a file.
std::string DecodeTextPart(std::string_view part, TextOrigin origin = TextOrigin::Bytes);

// The body's bytes: decoded for base64, quoted-printable and the uuencode names ("x-uue",
// "uuencode", "x-uuencode", "uue"), copied for any other encoding. Every byte is kept.
std::vector<unsigned char> DecodePartData(std::string_view part);

// The part's Content-Transfer-Encoding value, trimmed.
std::string_view transfer_encoding(std::string_view part);

}  // namespace velmo
