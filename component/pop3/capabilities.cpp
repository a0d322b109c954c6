#include "pop3/capabilities.h"

#include <strings.h>

namespace velmo {

Capabilities Capabilities::from_reply(std::string_view reply) {
    Capabilities caps;
    std::size_t pos = reply.find('\n');
    if (pos == std::string_view::npos) return caps;
    for (++pos; pos < reply.size();) {
        std::size_t end = reply.find('\n', pos);
        if (end == std::string_view::npos) end = reply.size();
        std::string_view line = reply.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line == ".") break;
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        caps.lines_.emplace_back(line);
    }
    return caps;
}

bool Capabilities::has(std::string_view keyword) const {
    for (const std::string& line : lines_) {
        const std::size_t end = line.find_first_of(" \t");
        const std::string_view word = std::string_view(line).substr(0, end);
        if (word.size() == keyword.size() && strncasecmp(word.data(), keyword.data(), word.size()) == 0) return true;
    }
    return false;
}

}  // namespace velmo
