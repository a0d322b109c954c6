#include "frame/text.h"

namespace velmo {

namespace {

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void append_utf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not valid.
size_t valid_sequence(std::string_view text, size_t i, char32_t& cp) {
    auto b = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char c = b(i);
    size_t len;
    char32_t min;
    if (c < 0x80) {
        cp = c;
        return 1;
    } else if ((c & 0xE0) == 0xC0) {
        len = 2, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4, cp = c & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > text.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

char32_t windows1252_to_unicode(unsigned char byte) {
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0) return high[byte - 0x80];
    return byte;
}

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        append_utf8(out, c);
    }
    return out;
}

std::u16string utf8_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        char32_t cp;
        size_t len = valid_sequence(text, i, cp);
        if (len == 0) {
            cp = windows1252_to_unicode(static_cast<unsigned char>(text[i]));
            len = 1;
        }
        append_utf16(out, cp);
        i += len;
    }
    return out;
}

std::string to_utf8(BSTR text) {
    if (!text) return {};
    return utf16_to_utf8(std::u16string_view(text, SysStringLen(text)));
}

// Two passes over the text, counting and then filling the BSTR in place: a large text (a
// retrieved message) is not held a second time as an intermediate UTF-16 string.
BSTR to_bstr(std::string_view text) {
    // Mail is mostly ASCII: a byte below 0x80 is one unit, without the sequence test.
    size_t units = 0;
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++units;
            ++i;
            continue;
        }
        char32_t cp;
        size_t len = valid_sequence(text, i, cp);
        units += len == 4 ? 2 : 1;  // four-byte sequences are the ones beyond U+FFFF
        i += len == 0 ? 1 : len;
    }
    if (units > 0x7FFFFFFFu) return nullptr;
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(units));
    if (!out) return nullptr;
    OLECHAR* p = out;
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            *p++ = static_cast<char16_t>(text[i++]);
            continue;
        }
        char32_t cp;
        size_t len = valid_sequence(text, i, cp);
        if (len == 0) {
            cp = windows1252_to_unicode(static_cast<unsigned char>(text[i]));
            len = 1;
        }
        if (cp < 0x10000) {
            *p++ = static_cast<char16_t>(cp);
        } else {
            cp -= 0x10000;
            *p++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *p++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        }
        i += len;
    }
    return out;
}

HRESULT put_bstr(BSTR* out, std::string_view text) {
    if (!out) return E_POINTER;
    BSTR b = to_bstr(text);
    if (!b) return E_OUTOFMEMORY;
    *out = b;
    return S_OK;
}

}  // namespace velmo
