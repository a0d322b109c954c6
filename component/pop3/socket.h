// Socket: one TCP stream socket of the POP3 session, IPv4 or IPv6, with a bounded connect
// and a readiness wait of at most 250 ms, so callers can check timeouts and stop requests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velmo {

class Socket {
public:
    enum class Ready { Data, Nothing, Error };

    static constexpr int kMaxWaitMs = 250;

    Socket() = default;
    ~Socket() { close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Resolves host (a dotted IPv4 or bracket-free IPv6 literal is used as it is, any other
    // name through the resolver, first address answered) and connects to port, giving up after
    // timeout_ms or as soon as stop() answers true (polled at least every 250 ms). Closes any
    // socket held before. False on failure, leaving no socket.
    bool connect(const std::string& host, std::uint16_t port, std::uint32_t timeout_ms,
                 const std::function<bool()>& stop);

    bool is_open() const { return fd_ >= 0; }
    // Waits up to wait_ms (capped at 250) for data or end of stream.
    Ready wait_readable(int wait_ms) const;
    // One receive; the byte count, 0 when the peer has closed, -1 on error.
    long receive(char* buffer, std::size_t size) const;
    // One send call; true when it reported a positive byte count.
    bool send_once(std::string_view data) const;
    // Shuts down both directions and closes; harmless when nothing is open.
    void close();

private:
    int fd_ = -1;
};

}  // namespace velmo
