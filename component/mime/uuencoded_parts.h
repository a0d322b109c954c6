// Uuencoded files inside a single-part message: each block that starts after a blank line
// with "begin" and ends with a grave accent followed by an "end" line becomes an attachment
// part of its own, written with the header "Content-Transfer-Encoding: uuencode" and the file
// name of its "begin" line, so the attachment queries treat it like any MIME attachment.
#pragma once

#include <string>
#include <string_view>

#include "mime/part_list.h"

namespace velmo {

// The name a block's "begin" line gives: its text after "begin" cut after the last space
// ('begin 644 notes.txt' gives 'notes.txt'); "UuencodeUnknown.dat" without a line end or space.
std::string uuencoded_file_name(std::string_view begin_line_onwards);

// When `parts` holds exactly one part that contains uuencoded blocks, replaces it by the text
// before the first block and one synthetic part per block; text between and after the blocks
// is dropped. Any other list is left as it is. The single part must be a view into the
// message text (as BuildParts gives it): the first new part is a view into the same text.
void ExtractUuencoded(PartList& parts);

}  // namespace velmo
