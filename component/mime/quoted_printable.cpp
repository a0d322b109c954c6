#include "mime/quoted_printable.h"

#include <new>

namespace velmo {
namespace {

unsigned digit_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c == '=') return 0xFF;
    return 0xFE;
}

}  // namespace

DecodedBytes QpDecode(std::span<const unsigned char> input) {
    DecodedBytes out;
    try {
        out.buffer.assign(input.size() + 1, 0);
    } catch (const std::bad_alloc&) {
        out.ok = false;
        return out;
    }
    const std::size_t n = input.size();
    unsigned char* dst = out.buffer.data();
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < n) {
        unsigned char c = input[pos];
        if (c != '=') {
            dst[count++] = c;
            ++pos;
            continue;
        }
        if (pos + 1 < n && input[pos + 1] == '\r') {
            pos += 3;  // "=", CR and the line feed that follows it
            continue;
        }
        unsigned hi = pos + 1 < n ? digit_value(input[pos + 1]) : 0xFE;
        unsigned lo = pos + 2 < n ? digit_value(input[pos + 2]) : 0xFE;
        dst[count++] = static_cast<unsigned char>((hi * 16) | lo);
        pos += 3;
    }
    out.count = count;
    return out;
}

}  // namespace velmo
