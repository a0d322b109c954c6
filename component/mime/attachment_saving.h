// Saving the attachments of a loaded message: one into a folder under its name, one to an
// exact file, or all of them into a folder. Only the last path component of the sender's
// name is used inside a folder (see attachment_files.h). An existing file is overwritten.
#pragma once

#include <string>

#include "mime/part_list.h"

namespace velmo {

// Writes attachment `n` (from 1) into `folder`; false when n is out of range, the folder is
// empty, the path is too long or the file cannot be written.
bool save_attachment(const PartList& parts, const std::string& folder, long n);

// Writes attachment `n` to exactly `file`; false as above.
bool save_attachment_as(const PartList& parts, const std::string& file, long n);

// Saves every attachment into `folder`; the number saved successfully.
long save_all_attachments(const PartList& parts, const std::string& folder);

}  // namespace velmo
