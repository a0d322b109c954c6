#include "mime/attachment_saving.h"

#include <optional>
#include <vector>

#include "mime/attachment_files.h"
#include "mime/attachments.h"
#include "mime/message_bodies.h"

namespace velmo {

bool save_attachment(const PartList& parts, const std::string& folder, long n) {
    if (folder.empty()) return false;
    std::string name = attachment_name(parts, n);
    if (name.empty()) return false;  // out of range
    std::optional<std::string> target = attachment_target(folder, safe_attachment_name(name, numbered_attachment_name(n)));
    return target && save_attachment_as(parts, *target, n);
}

bool save_attachment_as(const PartList& parts, const std::string& file, long n) {
    std::optional<std::vector<unsigned char>> bytes = attachment_bytes(parts, n);
    return bytes && save_bytes(file, *bytes);
}

long save_all_attachments(const PartList& parts, const std::string& folder) {
    long saved = 0;
    const long count = attachment_count(parts);
    for (long n = 1; n <= count; ++n)
        if (save_attachment(parts, folder, n)) ++saved;
    return saved;
}

}  // namespace velmo
