// Socket: the session's real transport, one TCP stream socket, IPv4 or IPv6, with a bounded
// connect and a readiness wait of at most 250 ms, so callers can check timeouts and stop
// requests. After start_tls() everything sent and received goes through TLS; the calls stay
// the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "pop3/transport.h"

namespace velmo {

class TlsStream;

class Socket final : public Transport {
public:
    Socket();
    ~Socket() override;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Resolves host (a dotted IPv4 or bracket-free IPv6 literal is used as it is, any other
    // name through the resolver, first address answered) and connects to port, giving up after
    // timeout_ms or as soon as stop() answers true (polled at least every 250 ms). Closes any
    // socket held before. False on failure, leaving no socket.
    bool connect(const std::string& host, std::uint16_t port, std::uint32_t timeout_ms,
                 const std::function<bool()>& stop) override;

    // Runs the TLS handshake on the open connection and verifies the server's certificate
    // for peer_name, within timeout_ms and while stop() answers false. On failure the socket
    // is closed. Later sends are bounded by the same timeout.
    bool start_tls(const std::string& peer_name, std::uint32_t timeout_ms,
                   const std::function<bool()>& stop) override;

    bool is_open() const { return fd_ >= 0; }
    bool is_tls() const { return tls_ != nullptr; }
    // Waits up to wait_ms (capped at 250) for data or end of stream. Over TLS, decrypted bytes
    // already held are ready at once, and bytes that do not yet make up data are not ready.
    Ready wait_readable(int wait_ms) override;
    // One receive; the byte count, 0 when the peer has closed, -1 on error.
    long receive(char* buffer, std::size_t size) override;
    // One send call (over TLS one record write); true when it reported a positive byte count.
    bool send_once(std::string_view data) override;
    // Shuts down both directions and closes (over TLS after a close_notify); harmless when
    // nothing is open.
    void close() override;

private:
    int fd_ = -1;
    std::unique_ptr<TlsStream> tls_;
    std::uint32_t tls_send_timeout_ms_ = 0;
};

}  // namespace velmo
