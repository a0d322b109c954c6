// Conversion of text in a named charset to the component's 8-bit text (UTF-8), through the
// system's iconv. The name is read up to its first ";" or white space; UTF-8 (and no name)
// leaves the text as it is, and so does a name that iconv does not know. A byte sequence that
// is invalid in the named charset is kept as it stands, so nothing of the text is lost.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

std::string ConvertCharset(std::string_view text, std::string_view charset);

// The charset name as ConvertCharset reads it: leading white space skipped, then up to the
// first ";" or white space.
std::string_view charset_name(std::string_view charset);

}  // namespace velmo
