// Exact POP3 reply texts for scripted conversations, each with its CR LF line ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halvex::testnet {

// "+OK <text>\r\n" (just "+OK\r\n" for an empty text).
std::string ok(std::string_view text = {});
// "-ERR <text>\r\n".
std::string err(std::string_view text = {});
// "+OK <count> <total>\r\n".
std::string stat_reply(std::int64_t count, std::int64_t total);
// A multi-line reply: the status line, each line with CR LF, then ".\r\n". Lines are sent as
// given: no dot-stuffing, so a test can send exactly the bytes it wants.
std::string multi_line(std::string_view status_line, const std::vector<std::string>& lines);
// "+OK" listing of sizes: "1 <s1>", "2 <s2>", ...
std::string list_reply(const std::vector<std::int64_t>& sizes);
// "+OK" listing of unique ids: "1 <id1>", "2 <id2>", ...
std::string uidl_reply(const std::vector<std::string>& ids);
// A message as a RETR/TOP reply: "+OK" status, `message` (CR LF line ends expected) with lines
// beginning with "." doubled, then the terminator.
std::string message_reply(std::string_view message);

}  // namespace halvex::testnet
