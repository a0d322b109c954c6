#include "mime/message_bodies.h"

#include "mime/part_kind.h"
#include "mime/text_part.h"

namespace velmo {

std::string body_text(const PartList& parts) {
    if (parts.size() == 1 && !IsAttachmentPart(parts[0])) return DecodeTextPart(parts[0], parts.origin());
    // Only the last plain-text body before the first HTML one matters, so decode just that.
    const std::string_view* plain = nullptr;
    for (const std::string_view& part : parts) {
        if (IsHtmlPart(part)) return DecodeTextPart(part, parts.origin());
        if (IsTextPart(part)) plain = &part;
    }
    return plain ? DecodeTextPart(*plain, parts.origin()) : std::string();
}

std::string alt_body(const PartList& parts) {
    for (std::size_t i = parts.size(); i-- > 0;)
        if (IsTextPart(parts[i])) return DecodeTextPart(parts[i], parts.origin());
    return {};
}

long body_format(const PartList& parts) {
    bool has_text = false, has_html = false;
    for (std::string_view part : parts) {
        if (IsTextPart(part))
            has_text = true;
        else if (IsHtmlPart(part))
            has_html = true;
    }
    if (!has_html) return kPlainOnly;
    return has_text ? kHtmlAndPlain : kHtmlOnly;
}

long attachment_count(const PartList& parts) {
    long count = 0;
    for (std::string_view part : parts)
        if (IsAttachmentPart(part)) ++count;
    return count;
}

}  // namespace velmo
