// Quoted-printable transfer decoding (RFC 2045), tolerant: "=" + CR is a soft line break,
// "=" + two digit positions gives one byte built from the digit values (0-15 for hex digits,
// 255 for "=", 254 for anything else), every other byte is copied. Underscores stay as they
// are. Pure function; it never reads past its input (a digit position beyond the end counts
// as 254, the value of the terminating NUL).
#pragma once

#include <span>

#include "mime/decoded_bytes.h"

namespace velmo {

// The buffer has input length + 1 bytes.
DecodedBytes QpDecode(std::span<const unsigned char> input);

}  // namespace velmo
