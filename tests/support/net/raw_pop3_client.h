// RawPop3Client: a bare POP3 client over a loopback socket for tests and benches that talk
// to a server directly: send a command, read one line or one multi-line reply, with a bound
// on the silence it waits for. No parsing beyond finding the terminators.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/loopback.h"
#include "net/unique_fd.h"

namespace halvex::testnet {

class RawPop3Client {
public:
    // Connects; throws std::runtime_error when the connect fails.
    RawPop3Client(Family family, std::uint16_t port, std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Sends `command` followed by CR LF.
    bool send_line(std::string_view command);
    // Sends the bytes as given.
    bool send_raw(std::string_view bytes);
    // One reply line with its CR LF; nullopt on timeout or close.
    std::optional<std::string> read_line();
    // One multi-line reply up to and including "\r\n.\r\n"; nullopt on timeout or close.
    std::optional<std::string> read_multi_line();
    // send_line then read_line / read_multi_line.
    std::optional<std::string> command(std::string_view cmd);
    std::optional<std::string> multi_line_command(std::string_view cmd);
    // True when the server has closed the connection (reads 0 bytes within the timeout).
    bool wait_closed();

private:
    std::optional<std::string> read_through(std::string_view terminator);
    bool fill();

    UniqueFd fd_;
    std::chrono::milliseconds timeout_;
    std::string buffer_;  // received, not yet handed out
};

}  // namespace halvex::testnet
