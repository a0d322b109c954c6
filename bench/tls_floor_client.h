// TlsFloorClient: the bench's bare POP3 client over TLS (OpenSSL), for the round-trip floor
// of the TLS header scan: it verifies the server against one authority file, sends a command
// and reads one reply, nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/unique_fd.h"

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace halvex::bench {

class TlsFloorClient {
public:
    // Connects to 127.0.0.1:port and completes the handshake for `host_name`, trusting
    // `ca_file`; throws std::runtime_error on failure.
    TlsFloorClient(std::uint16_t port, const std::string& host_name, const std::string& ca_file);
    ~TlsFloorClient();
    TlsFloorClient(const TlsFloorClient&) = delete;
    TlsFloorClient& operator=(const TlsFloorClient&) = delete;

    std::optional<std::string> read_line() { return read_through("\r\n"); }
    std::optional<std::string> command(std::string_view cmd);
    std::optional<std::string> multi_line_command(std::string_view cmd);

private:
    bool send_line(std::string_view cmd);
    std::optional<std::string> read_through(std::string_view terminator);

    testnet::UniqueFd fd_;
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
    std::string buffer_;
};

}  // namespace halvex::bench
