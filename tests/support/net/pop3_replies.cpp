#include "net/pop3_replies.h"

namespace halvex::testnet {

std::string ok(std::string_view text) {
    std::string r = "+OK";
    if (!text.empty()) r.append(" ").append(text);
    return r + "\r\n";
}

std::string err(std::string_view text) {
    std::string r = "-ERR";
    if (!text.empty()) r.append(" ").append(text);
    return r + "\r\n";
}

std::string stat_reply(std::int64_t count, std::int64_t total) {
    return "+OK " + std::to_string(count) + " " + std::to_string(total) + "\r\n";
}

std::string multi_line(std::string_view status_line, const std::vector<std::string>& lines) {
    std::string r(status_line);
    r += "\r\n";
    for (const auto& line : lines) r.append(line).append("\r\n");
    return r + ".\r\n";
}

std::string list_reply(const std::vector<std::int64_t>& sizes) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < sizes.size(); ++i) lines.push_back(std::to_string(i + 1) + " " + std::to_string(sizes[i]));
    return multi_line("+OK " + std::to_string(sizes.size()) + " messages", lines);
}

std::string uidl_reply(const std::vector<std::string>& ids) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < ids.size(); ++i) lines.push_back(std::to_string(i + 1) + " " + ids[i]);
    return multi_line("+OK", lines);
}

std::string message_reply(std::string_view message) {
    std::string r = "+OK message follows\r\n";
    r.reserve(r.size() + message.size() + message.size() / 64 + 8);
    bool line_start = true;
    for (char c : message) {
        if (line_start && c == '.') r += '.';
        r += c;
        line_start = c == '\n';
    }
    if (!message.empty() && !line_start) r += "\r\n";
    return r + ".\r\n";
}

}  // namespace halvex::testnet
