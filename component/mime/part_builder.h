// Cutting a loaded message into its ordered list of leaf parts, each the exact text of one
// part (header lines and body): multipart containers opened (multipart.h), then, in a message
// that is a single part, its uuencoded blocks made parts of their own (uuencoded_parts.h).
#pragma once

#include <string_view>

#include "mime/part_list.h"

namespace velmo {

// Appends the parts of `message` to `parts`; views point into `message`, made-up parts are
// kept by the list.
void build_message_parts(std::string_view message, PartList& parts);

}  // namespace velmo
