#include "mime/attachments.h"

#include <cstdio>

#include "mime/encoded_words.h"
#include "mime/header_fields.h"
#include "mime/message_bodies.h"
#include "mime/mime_message.h"
#include "mime/part_kind.h"
#include "mime/text_part.h"

namespace velmo {
namespace {

// The subject of an attached message, made fit for a file name.
std::string attached_message_name(std::string_view part) {
    std::vector<unsigned char> bytes = DecodePartData(part);
    MimeMessage inner;
    inner.LoadContent(std::string(bytes.begin(), bytes.end()));
    std::string subject = inner.GetSubject();
    if (subject.empty()) return {};
    for (char& c : subject) {
        switch (c) {
            case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
                c = '_';
                break;
            default:
                break;
        }
    }
    return subject + ".eml";
}

}  // namespace

std::optional<std::string_view> find_attachment(const PartList& parts, long n) {
    if (n < 1) return std::nullopt;
    long seen = 0;
    for (std::string_view part : parts)
        if (IsAttachmentPart(part) && ++seen == n) return part;
    return std::nullopt;
}

std::string numbered_attachment_name(long n) {
    char name[48];
    std::snprintf(name, sizeof name, "ATTACHMENT_%03ld.DAT", n - 1);
    return name;
}

std::string attachment_name(const PartList& parts, long n) {
    std::optional<std::string_view> part = find_attachment(parts, n);
    return part ? attachment_part_name(*part, n) : std::string();
}

std::string attachment_part_name(std::string_view part, long n) {
    std::string_view given = GetFieldParam(GetPartField(part, "Content-Type"), "name");
    if (given.empty()) given = GetFieldParam(GetPartField(part, "Content-Disposition"), "filename");
    std::string name = DecodeWords(given);
    if (!name.empty()) return name;
    name = attached_message_name(part);
    if (!name.empty()) return name;
    return numbered_attachment_name(n);
}

std::string attachment_content_type(const PartList& parts, long n) {
    std::optional<std::string_view> part = find_attachment(parts, n);
    if (!part) return {};
    return std::string(GetFieldParam(GetPartField(*part, "Content-Type"), ""));
}

std::string attachment_content_id(const PartList& parts, long n) {
    std::optional<std::string_view> part = find_attachment(parts, n);
    if (!part) return {};
    std::string_view id = GetFieldParam(GetPartField(*part, "Content-ID"), "");
    if (!id.empty() && id.front() == '<') id.remove_prefix(1);
    if (!id.empty() && id.back() == '>') id.remove_suffix(1);
    return std::string(id);
}

std::optional<std::vector<unsigned char>> attachment_bytes(const PartList& parts, long n) {
    std::optional<std::string_view> part = find_attachment(parts, n);
    if (!part) return std::nullopt;
    return DecodePartData(*part);
}

}  // namespace velmo
