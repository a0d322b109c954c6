#include "store/name_codec.h"

#include <array>
#include <cstdint>

namespace velmo::store {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr uint8_t kPad = 0x40;
constexpr uint8_t kInvalid = 0x80;

// Character to 6-bit value; the same characters with the high bit set map alike.
constexpr std::array<uint8_t, 256> make_decode_table() {
    std::array<uint8_t, 256> t{};
    for (auto& v : t) v = kInvalid;
    for (size_t i = 0; i < kAlphabet.size(); ++i) {
        auto c = static_cast<unsigned char>(kAlphabet[i]);
        t[c] = static_cast<uint8_t>(i);
        t[c | 0x80u] = static_cast<uint8_t>(i);
    }
    t['='] = kPad;
    t['=' | 0x80u] = kPad;
    return t;
}
constexpr std::array<uint8_t, 256> kDecode = make_decode_table();

uint32_t bits_of(char c) {
    uint8_t v = kDecode[static_cast<unsigned char>(c)];
    return (v & (kPad | kInvalid)) ? 0u : v;
}

}  // namespace

std::string base64_encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[k])); };
    for (; i + 3 <= bytes.size(); i += 3) {
        uint32_t n = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
        out += kAlphabet[n >> 18 & 63];
        out += kAlphabet[n >> 12 & 63];
        out += kAlphabet[n >> 6 & 63];
        out += kAlphabet[n & 63];
    }
    size_t rest = bytes.size() - i;
    if (rest == 1) {
        uint32_t n = byte(i) << 16;
        out += kAlphabet[n >> 18 & 63];
        out += kAlphabet[n >> 12 & 63];
        out += "==";
    } else if (rest == 2) {
        uint32_t n = byte(i) << 16 | byte(i + 1) << 8;
        out += kAlphabet[n >> 18 & 63];
        out += kAlphabet[n >> 12 & 63];
        out += kAlphabet[n >> 6 & 63];
        out += '=';
    }
    return out;
}

std::string base64_decode_name(std::string_view text) {
    std::string out;
    out.reserve((text.size() + 3) / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        uint32_t n = 0;
        for (size_t k = 0; k < 4; ++k) n = n << 6 | (i + k < text.size() ? bits_of(text[i + k]) : 0u);
        out += static_cast<char>(n >> 16 & 0xFF);
        out += static_cast<char>(n >> 8 & 0xFF);
        out += static_cast<char>(n & 0xFF);
    }
    return out;
}

std::string message_file_name(std::string_view id) {
    return base64_encode(id) + std::string(kMessageExtension);
}

std::string message_id_from_file_name(std::string_view file_name) {
    size_t dot = file_name.rfind('.');
    std::string id = base64_decode_name(file_name.substr(0, dot));
    if (size_t nul = id.find('\0'); nul != std::string::npos) id.resize(nul);
    return id;
}

bool is_message_file_name(std::string_view file_name) {
    return file_name.find(kMessageExtension) != std::string_view::npos;
}

}  // namespace velmo::store
