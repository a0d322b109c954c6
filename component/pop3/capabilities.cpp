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

namespace {

bool same_word(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The words of one entry, split at spaces and tabs.
std::vector<std::string_view> words_of(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while ((pos = line.find_first_not_of(" \t", pos)) != std::string_view::npos) {
        const std::size_t end = line.find_first_of(" \t", pos);
        words.push_back(line.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
        pos = end;
    }
    return words;
}

}  // namespace

bool Capabilities::has(std::string_view keyword) const {
    for (const std::string& line : lines_) {
        const std::size_t end = line.find_first_of(" \t");
        if (same_word(std::string_view(line).substr(0, end), keyword)) return true;
    }
    return false;
}

bool Capabilities::lists(std::string_view keyword, std::string_view argument) const {
    for (const std::string& line : lines_) {
        const std::vector<std::string_view> words = words_of(line);
        if (words.empty() || !same_word(words.front(), keyword)) continue;
        for (std::size_t i = 1; i < words.size(); ++i)
            if (same_word(words[i], argument)) return true;
    }
    return false;
}

}  // namespace velmo
