// POP3 reply texts of the demo server, each with its CR LF line end (RFC 1939).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halvex::demo {

// "+OK <text>\r\n" (just "+OK\r\n" for an empty text).
std::string ok(std::string_view text = {});
// "-ERR <text>\r\n".
std::string err(std::string_view text = {});
// A multi-line reply: the status line, each line with CR LF, then ".\r\n". Lines beginning
// with "." are doubled.
std::string multi_line(std::string_view status_line, const std::vector<std::string>& lines);
// `text` (CR LF line ends) with every line beginning with "." doubled, a CR LF added when it
// does not end with one, then the terminating ".\r\n".
std::string dot_stuffed(std::string_view text);

}  // namespace halvex::demo
