#include "mime/part_builder.h"

namespace velmo {

void build_message_parts(std::string_view message, PartList& parts) { parts.add_view(message); }

}  // namespace velmo
