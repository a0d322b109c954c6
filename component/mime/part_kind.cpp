#include "mime/part_kind.h"

#include "mime/ascii.h"
#include "mime/header_fields.h"

namespace velmo {
namespace {

struct ContentType {
    std::string_view type;  // main value, trimmed
    bool named = false;     // a non-empty "name" parameter
};

ContentType content_type(std::string_view part) {
    std::string_view field = GetPartField(part, "Content-Type");
    return {ascii::trim(GetFieldParam(field, "")), !GetFieldParam(field, "name").empty()};
}

}  // namespace

bool IsTextPart(std::string_view part) {
    ContentType ct = content_type(part);
    if (ct.type.empty()) return true;
    if (ct.named) return false;
    if (!ascii::equals_ci(ct.type, "text/plain") && !ascii::equals_ci(ct.type, "text")) return false;
    return GetPartField(part, "Content-disposition").empty() || !GetPartField(part, "Subject").empty();
}

bool IsHtmlPart(std::string_view part) {
    ContentType ct = content_type(part);
    return !ct.named && ascii::equals_ci(ct.type, "text/html");
}

bool IsAttachmentPart(std::string_view part) { return !part.empty() && !IsTextPart(part) && !IsHtmlPart(part); }

}  // namespace velmo
