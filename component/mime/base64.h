// Base64 transfer decoding (RFC 2045 alphabet), tolerant: bytes outside the alphabet are
// skipped, "=" or the end of the input ends decoding. Pure functions over their input.
#pragma once

#include <cstddef>
#include <span>

#include "mime/decoded_bytes.h"

namespace velmo {

// The buffer has input length * 3 / 4 + 1 bytes. `count` is the number of complete bytes;
// the bits of an incomplete last byte are stored right after them without being counted.
DecodedBytes Base64Decode(std::span<const unsigned char> input);

// The same decoding over an input handed in slices, for bodies too large to decode in one
// buffer: the bits of a character group cut by a slice end carry over to the next slice.
class Base64Decoder {
public:
    // Decodes `input` into `out`, which has room for input.size() * 3 / 4 + 1 bytes, and
    // returns the number of complete bytes written. Nothing more is read after an "=".
    std::size_t decode(std::span<const unsigned char> input, unsigned char* out);
    bool ended() const { return ended_; }
    // The bits of an incomplete last byte, most significant first, or 0.
    unsigned char pending() const;

private:
    unsigned acc_ = 0;  // pending bits, right-aligned
    int bits_ = 0;
    bool ended_ = false;
};

}  // namespace velmo
