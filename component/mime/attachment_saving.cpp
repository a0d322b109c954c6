#include "mime/attachment_saving.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "mime/ascii.h"
#include "mime/attachment_files.h"
#include "mime/attachments.h"
#include "mime/base64.h"
#include "mime/part_kind.h"
#include "mime/text_part.h"

namespace velmo {
namespace {

// Input slice of the streaming base64 save: small enough that the encoded slice and its
// decoded bytes stay in the processor's caches on their way to the file.
constexpr std::size_t kSlice = 256 * 1024;

// A base64 body is decoded slice by slice straight into the file, so a large attachment
// costs neither a buffer of its size nor a trip through main memory; the bytes written are
// exactly those DecodePartData gives.
bool write_base64(int fd, std::string_view part) {
    std::size_t blank = part.find("\r\n\r\n");
    std::string_view body = blank == std::string_view::npos ? std::string_view{} : part.substr(blank + 4);
    std::vector<unsigned char> out(std::min(kSlice, body.size()) * 3 / 4 + 1);
    Base64Decoder decoder;
    for (std::size_t at = 0; at < body.size() && !decoder.ended(); at += kSlice) {
        std::size_t n = decoder.decode(as_bytes(body.substr(at, kSlice)), out.data());
        if (!write_all(fd, std::string_view(reinterpret_cast<const char*>(out.data()), n))) return false;
    }
    return true;
}

// Writes the decoded content of attachment part `part`.
FileWriter content_writer(std::string_view part) {
    return [part](int fd) {
        if (ascii::equals_ci(transfer_encoding(part), "base64")) return write_base64(fd, part);
        std::vector<unsigned char> bytes = DecodePartData(part);
        return write_all(fd, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    };
}

bool save_into(SaveFolder& folder, std::string_view part, long n) {
    std::string name = safe_attachment_name(attachment_part_name(part, n), numbered_attachment_name(n));
    return folder.save(name, content_writer(part)).has_value();
}

}  // namespace

bool save_attachment(const PartList& parts, const std::string& folder, long n) {
    std::optional<std::string_view> part = find_attachment(parts, n);
    if (!part) return false;
    SaveFolder into(folder);
    return into.is_open() && save_into(into, *part, n);
}

bool save_attachment_as(const PartList& parts, const std::string& file, long n) {
    std::optional<std::string_view> part = find_attachment(parts, n);
    return part && save_new_file(file, content_writer(*part));
}

long save_all_attachments(const PartList& parts, const std::string& folder) {
    SaveFolder into(folder);
    if (!into.is_open()) return 0;
    long n = 0, saved = 0;
    for (std::string_view part : parts) {
        if (!IsAttachmentPart(part)) continue;
        if (save_into(into, part, ++n)) ++saved;
    }
    return saved;
}

}  // namespace velmo
