#include "frame/guid.h"

#include <cctype>
#include <cstdio>

namespace velmo {

std::string guid_to_string(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

bool guid_from_string(const std::string& text, GUID& out) {
    std::string s = text;
    if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
    if (s.size() != 36) return false;
    std::string hex;
    for (size_t i = 0; i < s.size(); ++i) {
        bool dash_pos = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash_pos) {
            if (s[i] != '-') return false;
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
        hex += s[i];
    }
    auto byte_at = [&](size_t i) { return static_cast<uint8_t>(std::stoul(hex.substr(i * 2, 2), nullptr, 16)); };
    out.Data1 = static_cast<uint32_t>(std::stoul(hex.substr(0, 8), nullptr, 16));
    out.Data2 = static_cast<uint16_t>(std::stoul(hex.substr(8, 4), nullptr, 16));
    out.Data3 = static_cast<uint16_t>(std::stoul(hex.substr(12, 4), nullptr, 16));
    for (size_t i = 0; i < 8; ++i) out.Data4[i] = byte_at(8 + i);
    return true;
}

}  // namespace velmo
