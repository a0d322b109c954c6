// The MIME structure of a loaded message: multipart containers cut at their boundary
// delimiters and opened recursively into a flat, ordered list of leaf parts.
//
// A piece runs from right after one delimiter to the start of the next, so it starts with the
// CR LF that ends the delimiter line. Delimiters are matched anywhere in the text, case
// sensitively; the preamble is dropped, and the text after the last delimiter is kept as one
// more piece only when it holds something besides CR, LF, space, "-" and ".". Containers
// nested deeper than kMaxMultipartDepth are kept whole as one leaf, so hostile nesting can
// neither exhaust the stack nor cost more than a bounded number of passes over the text.
#pragma once

#include <string_view>
#include <vector>

#include "mime/part_list.h"

namespace velmo {

// Container levels that are opened; the message itself is level 1.
inline constexpr int kMaxMultipartDepth = 64;

// True when the main value of the text's Content-Type field contains "MULTIPART" (any case).
bool is_multipart(std::string_view text);

// The pieces of `text` between the delimiters "--" + boundary; views into `text`.
std::vector<std::string_view> SplitMultipart(std::string_view text, std::string_view boundary);

// Appends the leaf parts of `text` to `parts` in message order, depth first; views into `text`.
// A multipart container whose delimiter never occurs contributes no parts.
void BuildParts(std::string_view text, PartList& parts);

}  // namespace velmo
