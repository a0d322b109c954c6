// Cutting a loaded message into its ordered list of leaf parts, each the exact text of one
// part (header lines and body). The MIME structure is not read yet: a message is one part.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmo {

std::vector<std::string> build_message_parts(std::string_view message);

}  // namespace velmo
