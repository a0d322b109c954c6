// Conversions between the interface's UTF-16 strings and the component's 8-bit text (UTF-8).
// UTF-16 to UTF-8 is exact; a lone surrogate becomes U+FFFD. UTF-8 to UTF-16 reads a byte that
// is not part of a valid UTF-8 sequence as its Windows-1252 character, so raw Latin-1 mail
// still reads right and nothing is dropped.
#pragma once

#include <string>
#include <string_view>

#include "frame/bstr.h"

namespace velmo {

std::string utf16_to_utf8(std::u16string_view text);
std::u16string utf8_to_utf16(std::string_view text);

// A BSTR argument as 8-bit text; null reads as empty.
std::string to_utf8(BSTR text);
// A fresh BSTR holding the 8-bit text; the caller frees it.
BSTR to_bstr(std::string_view text);
// Writes a fresh BSTR into *out; E_POINTER for a null out, E_OUTOFMEMORY when allocation fails.
HRESULT put_bstr(BSTR* out, std::string_view text);

// The Unicode code point of a Windows-1252 byte (the five undefined bytes map to themselves).
char32_t windows1252_to_unicode(unsigned char byte);

}  // namespace velmo
