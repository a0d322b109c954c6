// HTML to plain text: a light one-pass filter for message bodies, not an HTML parser.
// Everything before the first "<BODY" (any letter case) is dropped, tags are stripped, the
// tag ends "/TR>", "BR>", "/P>" and "HR>" become CR LF and "/TD>" one space, and "&lt;",
// "&gt;" and "&nbsp;" (lower case only) become "<", ">" and a space. Other entities and all
// white space are copied unchanged; an unclosed "<" drops the rest of the text.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

std::string html_to_text(std::string_view html);

}  // namespace velmo
