#include "pop3/failure_cause.h"

#include <cstdio>

namespace velmo {

std::string quote_reply(std::string_view reply) {
    constexpr std::size_t kMax = 200;
    reply = reply.substr(0, reply.find_first_of("\r\n"));
    std::string text;
    for (char c : reply.substr(0, kMax)) {
        const auto byte = static_cast<unsigned char>(c);
        text += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    if (reply.size() > kMax) text += "...";
    return text;
}

std::string seconds_text(std::uint32_t ms) {
    char buffer[32];
    if (ms % 1000 == 0)
        std::snprintf(buffer, sizeof buffer, "%u s", ms / 1000);
    else
        std::snprintf(buffer, sizeof buffer, "%.1f s", ms / 1000.0);
    return buffer;
}

}  // namespace velmo
