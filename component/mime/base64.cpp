#include "mime/base64.h"

#include <array>
#include <new>

namespace velmo {
namespace {

constexpr unsigned char kSkip = 0xFF;
constexpr unsigned char kEnd = 0xFE;

constexpr std::array<unsigned char, 256> make_table() {
    std::array<unsigned char, 256> t{};
    for (auto& v : t) v = kSkip;
    for (int i = 0; i < 26; ++i) {
        t['A' + i] = static_cast<unsigned char>(i);
        t['a' + i] = static_cast<unsigned char>(26 + i);
    }
    for (int i = 0; i < 10; ++i) t['0' + i] = static_cast<unsigned char>(52 + i);
    t['+'] = 62;
    t['/'] = 63;
    t['='] = kEnd;
    return t;
}
constexpr std::array<unsigned char, 256> kValues = make_table();

}  // namespace

DecodedBytes Base64Decode(std::span<const unsigned char> input) {
    DecodedBytes out;
    try {
        out.buffer.assign(input.size() * 3 / 4 + 1, 0);
    } catch (const std::bad_alloc&) {
        out.ok = false;
        return out;
    }
    Base64Decoder decoder;
    out.count = decoder.decode(input, out.buffer.data());
    // The leftover bits of an incomplete byte, uncounted.
    out.buffer[out.count] = decoder.pending();
    return out;
}

unsigned char Base64Decoder::pending() const {
    return bits_ > 0 ? static_cast<unsigned char>(acc_ << (8 - bits_)) : 0;
}

std::size_t Base64Decoder::decode(std::span<const unsigned char> input, unsigned char* dst) {
    if (ended_) return 0;
    std::size_t count = 0;
    unsigned acc = acc_;
    int bits = bits_;
    const unsigned char* p = input.data();
    const unsigned char* const end = p + input.size();
    while (p < end) {
        // On a byte boundary, four alphabet characters in a row give three bytes at once;
        // anything else (a line break, "=", junk) takes the one-character path below.
        if (bits == 0) {
            while (end - p >= 4) {
                const unsigned a = kValues[p[0]], b = kValues[p[1]], c = kValues[p[2]], d = kValues[p[3]];
                if ((a | b | c | d) & 0xC0) break;
                dst[count] = static_cast<unsigned char>(a << 2 | b >> 4);
                dst[count + 1] = static_cast<unsigned char>(b << 4 | c >> 2);
                dst[count + 2] = static_cast<unsigned char>(c << 6 | d);
                count += 3;
                p += 4;
            }
            if (p == end) break;
        }
        unsigned char v = kValues[*p++];
        if (v == kSkip) continue;
        if (v == kEnd) {
            ended_ = true;
            break;
        }
        acc = (acc << 6) | v;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            dst[count++] = static_cast<unsigned char>(acc >> bits);
            acc &= (1u << bits) - 1;
        }
    }
    acc_ = acc;
    bits_ = bits;
    return count;
}

}  // namespace velmo
