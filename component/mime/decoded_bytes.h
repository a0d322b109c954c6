// DecodedBytes: what the base64 and quoted-printable decoders deliver. The buffer is sized
// from the input length in advance and zero-filled; `count` bytes of it are decoded data,
// and the bytes after them stay zero (base64 may leave the bits of an incomplete last byte
// right after the counted ones), so the buffer can also be read as NUL-terminated text.
#pragma once

#include <cstddef>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace velmo {

struct DecodedBytes {
    std::vector<unsigned char> buffer;  // the whole zero-filled allocation
    std::size_t count = 0;              // decoded bytes at the front of `buffer`
    bool ok = true;                     // false only when memory ran out (then `buffer` is empty)

    std::span<const unsigned char> bytes() const { return {buffer.data(), count}; }
    // The buffer read as text: up to its first NUL byte, never past its end.
    std::string_view as_text() const {
        const void* nul = std::memchr(buffer.data(), 0, buffer.size());
        std::size_t n = nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - buffer.data())
                            : buffer.size();
        return {reinterpret_cast<const char*>(buffer.data()), n};
    }
};

// A byte view of 8-bit text, for handing text to the decoders.
inline std::span<const unsigned char> as_bytes(std::string_view text) {
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

}  // namespace velmo
