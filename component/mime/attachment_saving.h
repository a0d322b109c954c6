// Saving the attachments of a loaded message: one into a folder under its name, one to an
// exact file, or all of them into a folder. Only the last path component of the sender's
// name is used inside a folder, and nothing existing is ever replaced: a taken name gets a
// free variant, an exact file that exists is refused (see attachment_files.h).
#pragma once

#include <string>

#include "mime/part_list.h"

namespace velmo {

// Writes attachment `n` (from 1) into `folder` as a new file; false when n is out of range,
// the folder cannot be opened, the name is too long or the file cannot be written.
bool save_attachment(const PartList& parts, const std::string& folder, long n);

// Writes attachment `n` to exactly `file`, which must not exist yet; false as above.
bool save_attachment_as(const PartList& parts, const std::string& file, long n);

// Saves every attachment into `folder` as save_attachment does, in one pass over the parts;
// the number of files really written.
long save_all_attachments(const PartList& parts, const std::string& folder);

}  // namespace velmo
