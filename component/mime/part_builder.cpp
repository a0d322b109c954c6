#include "mime/part_builder.h"

namespace velmo {

std::vector<std::string> build_message_parts(std::string_view message) {
    std::vector<std::string> parts;
    parts.emplace_back(message);
    return parts;
}

}  // namespace velmo
