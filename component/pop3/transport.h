// Transport: the byte stream a POP3 session speaks over. Socket is the real one (TCP, with TLS
// after start_tls); the seam lets a scripted stream stand in for a server, so the session's
// reply handling can be driven without a socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "pop3/failure_cause.h"

namespace velmo {

class Transport {
public:
    enum class Ready { Data, Nothing, Error };

    // The longest a readiness wait lasts, so callers can check timeouts and stop requests.
    static constexpr int kMaxWaitMs = 250;

    virtual ~Transport() = default;

    // Opens the stream to host:port, giving up after timeout_ms or once stop() answers true.
    // Closes anything held before. False on failure, leaving nothing open.
    virtual bool connect(const std::string& host, std::uint16_t port, std::uint32_t timeout_ms,
                         const std::function<bool()>& stop) = 0;
    // Runs the TLS handshake on the open stream and verifies the peer's certificate for
    // peer_name; on failure the stream is closed.
    virtual bool start_tls(const std::string& peer_name, std::uint32_t timeout_ms,
                           const std::function<bool()>& stop) = 0;
    // Waits up to wait_ms (capped at kMaxWaitMs) for data or end of stream.
    virtual Ready wait_readable(int wait_ms) = 0;
    // One receive of at most size bytes; the byte count, 0 at end of stream, -1 on error.
    virtual long receive(char* buffer, std::size_t size) = 0;
    // One send call; true when it reported a positive byte count.
    virtual bool send_once(std::string_view data) = 0;
    // Ends the stream; harmless when nothing is open.
    virtual void close() = 0;

    // Why the last connect or start_tls failed (set by the implementation; an implementation
    // that says nothing leaves the kind None and the session words the cause itself).
    const FailureCause& failure() const { return failure_; }

protected:
    // Records the cause; false, for `return fail(...)`.
    bool fail(FailureKind kind, std::string text) {
        failure_ = {kind, std::move(text)};
        return false;
    }
    void clear_failure() { failure_ = {}; }

private:
    FailureCause failure_;
};

}  // namespace velmo
