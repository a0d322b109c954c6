#include "mime/part_builder.h"

#include "mime/multipart.h"
#include "mime/uuencoded_parts.h"

namespace velmo {

void build_message_parts(std::string_view message, PartList& parts) {
    BuildParts(message, parts);
    ExtractUuencoded(parts);
}

}  // namespace velmo
