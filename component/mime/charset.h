// Conversion of text in a named charset to the component's 8-bit text (UTF-8). The name is read
// up to its first ";" or white space. UTF-8 and no name leave the text as it is, and so does a
// name the system's iconv does not know. The ISO-8859-1, Latin-1 and US-ASCII labels are read
// as Windows-1252, as mail really uses them (windows1252.h). A byte sequence that is invalid
// in the named charset is kept as it stands, so nothing of the text is lost.
//
// Each thread opens the iconv converter of a name once and keeps it: opening one costs far
// more than most conversions, and a header may cycle through many charsets word by word.
#pragma once

#include <string>
#include <string_view>

namespace velmo {

// The converter of one charset name, looked up once for any number of texts. Use it on the
// thread that made it and drop it before making another there.
class CharsetConverter {
public:
    explicit CharsetConverter(std::string_view charset);
    ~CharsetConverter();
    CharsetConverter(const CharsetConverter&) = delete;
    CharsetConverter& operator=(const CharsetConverter&) = delete;

    // True when texts come out as they went in (UTF-8, no name, an unknown name).
    bool passes_through() const { return kind_ == Kind::None; }
    // Appends `text`, converted, to `out`.
    void append(std::string& out, std::string_view text) const;

private:
    enum class Kind { None, Windows1252, Iconv };
    Kind kind_ = Kind::None;
    void* cd_ = nullptr;  // the iconv descriptor; the thread's cache keeps it unless owned_
    bool owned_ = false;
};

std::string ConvertCharset(std::string_view text, std::string_view charset);

// The charset name as ConvertCharset reads it: leading white space skipped, then up to the
// first ";" or white space.
std::string_view charset_name(std::string_view charset);

}  // namespace velmo
