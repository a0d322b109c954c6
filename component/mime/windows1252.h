// Windows-1252, the charset mail really uses when it says ISO-8859-1, Latin-1 or US-ASCII:
// bytes 0x80-0x9F are the euro sign, curly quotes and dashes, not control characters.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

// True for the labels read as Windows-1252: windows-1252 itself and the ISO-8859-1, Latin-1
// and US-ASCII names (ASCII case ignored).
bool is_windows1252_label(std::string_view name);

// Appends `text` read as Windows-1252 to `out` as UTF-8. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the code points of the same value, so
// nothing is dropped.
void append_windows1252_as_utf8(std::string& out, std::string_view text);

}  // namespace velmo
