// Base64 transfer decoding (RFC 2045 alphabet), tolerant: bytes outside the alphabet are
// skipped, "=" or the end of the input ends decoding. Pure function over its input.
#pragma once

#include <span>

#include "mime/decoded_bytes.h"

namespace velmo {

// The buffer has input length * 3 / 4 + 1 bytes. `count` is the number of complete bytes;
// the bits of an incomplete last byte are stored right after them without being counted.
DecodedBytes Base64Decode(std::span<const unsigned char> input);

}  // namespace velmo
