// Header field lookup over raw message text with CR LF line ends: the header block, a field
// of the message (unfolded), the raw text of a field inside one MIME part, and a parameter of
// a field. Names match ignoring ASCII case; all functions are pure and never read past the text.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

// The text before the first blank line ("\r\n\r\n"), or the whole text when there is none.
std::string_view GetHeaderBlock(std::string_view message);

// Field `name` of the header block, occurrence `index` (0 = first): the value after the
// colon, folded lines joined (CR LF removed, tabs made spaces) and trimmed; empty when absent.
// The name must be followed directly by ":" and start a line.
std::string GetField(std::string_view header_block, std::string_view name, int index = 0);

// The raw text of the field that starts with `name` in the head of `part` (up to its first
// blank line): from the name to the line end, continued over lines that end with ";".
// Empty when absent or when the field runs into the blank line. A field on the part's very
// first line is found as if a CR LF preceded it.
std::string_view GetPartField(std::string_view part, std::string_view name);

// With an empty `param`: the field's main value (after the first ":" up to the first ";",
// left-trimmed). Otherwise the value of parameter `param`: the text between double quotes
// after 'param="', or else the text after 'param=' up to the first ";", line break or the end
// of the field, trimmed at its right end (so it may hold blanks). The name is matched anywhere in
// the field, ignoring case; empty when absent.
std::string_view GetFieldParam(std::string_view field_text, std::string_view param);

}  // namespace velmo
