// Loopback addresses and ports for network tests: free ports, a port that refuses, a port
// whose connect never completes, and a bounded TCP connect. Only 127.0.0.1 and ::1 are used.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "net/unique_fd.h"

namespace halvex::testnet {

enum class Family { v4, v6 };

// "127.0.0.1" or "::1".
const char* loopback_host(Family family);
// The server text a client connects with: "127.0.0.1:port" or "[::1]:port".
std::string host_port(Family family, std::uint16_t port);

// A listening-capable TCP socket bound to the loopback address at `port` (0: any free port),
// SO_REUSEADDR set. Throws std::runtime_error on failure.
UniqueFd bind_loopback(Family family, std::uint16_t port = 0);
// The local port a bound socket holds.
std::uint16_t bound_port(int fd);
// A port on which nothing listened at the time of the call (bound and released at once).
std::uint16_t free_port(Family family = Family::v4);

// Connects to the loopback address at `port`, waiting at most `timeout`. Returns an invalid
// UniqueFd on failure (refused, timed out); errno_out, when given, receives the error.
UniqueFd connect_loopback(Family family, std::uint16_t port, std::chrono::milliseconds timeout,
                          int* errno_out = nullptr);

// A port that refuses every connect: it stays bound (so nobody else takes it) but never listens.
class RefusedPort {
public:
    explicit RefusedPort(Family family = Family::v4);
    std::uint16_t port() const { return port_; }

private:
    UniqueFd fd_;
    std::uint16_t port_ = 0;
};

// A port whose TCP connect never completes: it listens with a full accept queue that is never
// served, so further SYNs are dropped, as with a server behind a black-holing firewall.
class UnansweredPort {
public:
    explicit UnansweredPort(Family family = Family::v4);
    std::uint16_t port() const { return port_; }

private:
    UniqueFd listener_;
    UniqueFd fillers_[2];
    std::uint16_t port_ = 0;
};

}  // namespace halvex::testnet
