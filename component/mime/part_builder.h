// Cutting a loaded message into its ordered list of leaf parts, each the exact text of one
// part (header lines and body). The MIME structure is not read yet: a message is one part.
#pragma once

#include <string_view>

#include "mime/part_list.h"

namespace velmo {

// Appends the parts of `message` to `parts`; views point into `message`.
void build_message_parts(std::string_view message, PartList& parts);

}  // namespace velmo
