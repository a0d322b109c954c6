// Uudecoding of the lines of a uuencoded block (the "begin" line already removed). Each line
// starts with its length character (code - 32; a grave accent is 0) and yields exactly that
// many bytes, so files come out with their exact bytes and length. Reading is tolerant:
// characters are taken in groups of four values, white space and control bytes outside a
// line are skipped, a line end completes a group cut short (missing values are 0), and
// decoding stops at a line of length 0, at an "end" line or at the end of the input.
// Pure function: it never reads past the input nor writes past the output.
#pragma once

#include <cstddef>
#include <span>

namespace velmo {

// Decodes into `out` and returns the number of bytes written; 0 for an empty input or output.
// An output of ((input length + 3) / 4) * 3 + 1 bytes holds any well-formed block.
std::size_t UuDecode(std::span<const unsigned char> input, std::span<unsigned char> out);

}  // namespace velmo
