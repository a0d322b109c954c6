#include "net/raw_pop3_client.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>

namespace halvex::testnet {

RawPop3Client::RawPop3Client(Family family, std::uint16_t port, std::chrono::milliseconds timeout)
    : timeout_(timeout) {
    int e = 0;
    fd_ = connect_loopback(family, port, timeout, &e);
    if (!fd_) throw std::runtime_error("connect to port " + std::to_string(port) + " failed: errno " + std::to_string(e));
}

bool RawPop3Client::send_raw(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool RawPop3Client::send_line(std::string_view command) {
    std::string line(command);
    line += "\r\n";
    return send_raw(line);
}

bool RawPop3Client::fill() {
    pollfd p{fd_.get(), POLLIN, 0};
    int n;
    do n = ::poll(&p, 1, static_cast<int>(timeout_.count()));
    while (n < 0 && errno == EINTR);
    if (n <= 0) return false;
    std::size_t old = buffer_.size();
    buffer_.resize(old + 65536);
    ssize_t got = ::recv(fd_.get(), buffer_.data() + old, 65536, 0);
    buffer_.resize(old + static_cast<std::size_t>(got > 0 ? got : 0));
    return got > 0;
}

std::optional<std::string> RawPop3Client::read_through(std::string_view terminator) {
    std::size_t from = 0;  // earlier bytes are known not to hold the terminator
    for (;;) {
        std::size_t at = buffer_.find(terminator, from);
        if (at != std::string::npos) {
            std::string reply = buffer_.substr(0, at + terminator.size());
            buffer_.erase(0, at + terminator.size());
            return reply;
        }
        from = buffer_.size() >= terminator.size() ? buffer_.size() - terminator.size() + 1 : 0;
        if (!fill()) return std::nullopt;
    }
}

std::optional<std::string> RawPop3Client::read_line() { return read_through("\r\n"); }
std::optional<std::string> RawPop3Client::read_multi_line() { return read_through("\r\n.\r\n"); }

std::optional<std::string> RawPop3Client::command(std::string_view cmd) {
    if (!send_line(cmd)) return std::nullopt;
    return read_line();
}

std::optional<std::string> RawPop3Client::multi_line_command(std::string_view cmd) {
    if (!send_line(cmd)) return std::nullopt;
    return read_multi_line();
}

bool RawPop3Client::wait_closed() {
    buffer_.clear();
    char buf[4096];
    for (;;) {
        pollfd p{fd_.get(), POLLIN, 0};
        int n = ::poll(&p, 1, static_cast<int>(timeout_.count()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        ssize_t got = ::recv(fd_.get(), buf, sizeof buf, 0);
        if (got <= 0) return true;  // orderly close or reset
    }
}

}  // namespace halvex::testnet
