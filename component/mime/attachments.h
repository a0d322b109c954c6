// The attachments of a loaded message, counted from 1 in the order of its parts: their names,
// content types, content identifiers and decoded bytes. A number out of range finds nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mime/part_list.h"

namespace velmo {

// The text of attachment number `n` (from 1), or nothing when n is out of range.
std::optional<std::string_view> find_attachment(const PartList& parts, long n);

// The name the sender gave (Content-Type "name", else Content-Disposition "filename",
// encoded words decoded); for an attached message without one, its subject with the nine
// characters \ / : * ? " < > | made "_" plus ".eml"; else "ATTACHMENT_%03d.DAT" of n - 1.
// Empty when n is out of range. The name is the sender's text: see safe_attachment_name.
std::string attachment_name(const PartList& parts, long n);
// The same for the attachment part `part`, which is attachment number `n`.
std::string attachment_part_name(std::string_view part, long n);

// The fallback name of attachment `n` (from 1): 'ATTACHMENT_000.DAT' for the first.
std::string numbered_attachment_name(long n);

// Main value of the Content-Type field; empty when n is out of range.
std::string attachment_content_type(const PartList& parts, long n);
// The Content-ID without its angle brackets; empty when n is out of range.
std::string attachment_content_id(const PartList& parts, long n);
// The decoded bytes; nothing when n is out of range.
std::optional<std::vector<unsigned char>> attachment_bytes(const PartList& parts, long n);

}  // namespace velmo
