#include "mime/attachment_saving.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "mime/ascii.h"
#include "mime/attachment_files.h"
#include "mime/attachments.h"
#include "mime/base64.h"
#include "mime/message_bodies.h"
#include "mime/text_part.h"

namespace velmo {
namespace {

// Input slice of the streaming base64 save: small enough that the encoded slice and its
// decoded bytes stay in the processor's caches on their way to the file.
constexpr std::size_t kSlice = 256 * 1024;

// A base64 body is decoded slice by slice straight into the file, so a large attachment
// costs neither a buffer of its size nor a trip through main memory; the bytes written are
// exactly those DecodePartData gives.
bool save_base64(std::string_view part, const std::string& file) {
    std::size_t blank = part.find("\r\n\r\n");
    std::string_view body = blank == std::string_view::npos ? std::string_view{} : part.substr(blank + 4);
    std::FILE* f = std::fopen(file.c_str(), "w+b");
    if (!f) return false;
    std::vector<unsigned char> out(kSlice * 3 / 4 + 1);
    Base64Decoder decoder;
    bool ok = true;
    for (std::size_t at = 0; ok && at < body.size() && !decoder.ended(); at += kSlice) {
        std::string_view slice = body.substr(at, kSlice);
        std::size_t n = decoder.decode(as_bytes(slice), out.data());
        ok = n == 0 || std::fwrite(out.data(), 1, n, f) == n;
    }
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

}  // namespace

bool save_attachment(const PartList& parts, const std::string& folder, long n) {
    if (folder.empty()) return false;
    std::string name = attachment_name(parts, n);
    if (name.empty()) return false;  // out of range
    std::optional<std::string> target = attachment_target(folder, safe_attachment_name(name, numbered_attachment_name(n)));
    return target && save_attachment_as(parts, *target, n);
}

bool save_attachment_as(const PartList& parts, const std::string& file, long n) {
    std::optional<std::string_view> part = find_attachment(parts, n);
    if (!part) return false;
    if (ascii::equals_ci(transfer_encoding(*part), "base64")) return save_path_fits(file) && save_base64(*part, file);
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
