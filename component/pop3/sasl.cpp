#include "pop3/sasl.h"

namespace velmo {

std::string base64_encode(std::string_view bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) | static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string sasl_plain(std::string_view user, std::string_view password) {
    std::string raw;
    raw += '\0';
    raw += user;
    raw += '\0';
    raw += password;
    return base64_encode(raw);
}

std::string sasl_xoauth2(std::string_view user, std::string_view token) {
    std::string raw = "user=";
    raw += user;
    raw += "\x01" "auth=Bearer ";
    raw += token;
    raw += "\x01\x01";
    return base64_encode(raw);
}

std::string sasl_oauthbearer(std::string_view user, std::string_view host, unsigned port, std::string_view token) {
    std::string name;
    for (char c : user) {
        if (c == ',') name += "=2C";
        else if (c == '=') name += "=3D";
        else name += c;
    }
    std::string raw = "n,a=" + name + ",\x01" "host=" + std::string(host) + "\x01" "port=" + std::to_string(port) +
                      "\x01" "auth=Bearer " + std::string(token) + "\x01\x01";
    return base64_encode(raw);
}

}  // namespace velmo
