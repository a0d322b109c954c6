#include "pop3_reply.h"

namespace halvex::demo {

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

std::string multi_line(std::string_view status_line, const std::vector<std::string>& lines) {
  std::string body;
  for (const auto& line : lines) body.append(line).append("\r\n");
  std::string r(status_line);
  r += "\r\n";
  return r + dot_stuffed(body);
}

std::string dot_stuffed(std::string_view text) {
  std::string r;
  r.reserve(text.size() + text.size() / 64 + 8);
  bool line_start = true;
  for (char c : text) {
    if (line_start && c == '.') r += '.';
    r += c;
    line_start = c == '\n';
  }
  if (!text.empty() && !line_start) r += "\r\n";
  return r + ".\r\n";
}

}  // namespace halvex::demo
