// Decoding of the encoded words of a header text (RFC 2047): every
// "=?charset?B?payload?=" or "=?charset?Q?payload?=" word is decoded on its own and converted
// from its charset to UTF-8; white space between two adjacent encoded words is dropped, and
// "_" reads as a space inside Q words. A word whose charset is unknown keeps its decoded bytes
// as they are; a malformed word stays as written; text outside the words is kept unchanged.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

std::string DecodeWords(std::string_view text);

}  // namespace velmo
