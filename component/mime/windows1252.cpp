#include "mime/windows1252.h"

#include "mime/ascii.h"

namespace velmo {
namespace {

constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

bool is_windows1252_label(std::string_view name) {
    for (std::string_view label : {"windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1",
                                   "iso_8859-1:1987", "latin1", "latin-1", "l1", "cp819", "ibm819", "us-ascii",
                                   "ascii", "us", "ansi_x3.4-1968", "iso646-us"})
        if (ascii::equals_ci(name, label)) return true;
    return false;
}

void append_windows1252_as_utf8(std::string& out, std::string_view text) {
    for (char ch : text) {
        const unsigned char byte = static_cast<unsigned char>(ch);
        if (byte < 0x80) {
            out.push_back(ch);
            continue;
        }
        const char16_t cp = byte < 0xA0 ? kHigh[byte - 0x80] : byte;
        if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        }
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace velmo
