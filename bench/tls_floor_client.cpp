#include "tls_floor_client.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <chrono>
#include <stdexcept>

#include "net/loopback.h"

namespace halvex::bench {

namespace {

[[noreturn]] void fail(const std::string& what) {
    char text[256];
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    throw std::runtime_error(what + ": " + text);
}

}  // namespace

TlsFloorClient::TlsFloorClient(std::uint16_t port, const std::string& host_name, const std::string& ca_file) {
    int e = 0;
    fd_ = testnet::connect_loopback(testnet::Family::v4, port, std::chrono::seconds(10), &e);
    if (!fd_) throw std::runtime_error("TLS connect failed, errno " + std::to_string(e));
    timeval tv{60, 0};  // a silent server ends the bench instead of hanging it
    ::setsockopt(fd_.get(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx_) fail("SSL_CTX_new");
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_load_verify_locations(ctx_, ca_file.c_str(), nullptr) != 1) fail("loading " + ca_file);
    ssl_ = SSL_new(ctx_);
    if (!ssl_) fail("SSL_new");
    SSL_set_tlsext_host_name(ssl_, host_name.c_str());
    SSL_set1_host(ssl_, host_name.c_str());
    SSL_set_fd(ssl_, fd_.get());
    if (SSL_connect(ssl_) != 1) fail("TLS handshake");
}

TlsFloorClient::~TlsFloorClient() {
    if (ssl_) SSL_free(ssl_);
    if (ctx_) SSL_CTX_free(ctx_);
}

bool TlsFloorClient::send_line(std::string_view cmd) {
    std::string line(cmd);
    line += "\r\n";
    std::size_t written = 0;
    return SSL_write_ex(ssl_, line.data(), line.size(), &written) == 1 && written == line.size();
}

std::optional<std::string> TlsFloorClient::read_through(std::string_view terminator) {
    std::size_t from = 0;
    for (;;) {
        std::size_t at = buffer_.find(terminator, from);
        if (at != std::string::npos) {
            std::string reply = buffer_.substr(0, at + terminator.size());
            buffer_.erase(0, at + terminator.size());
            return reply;
        }
        from = buffer_.size() >= terminator.size() ? buffer_.size() - terminator.size() + 1 : 0;
        std::size_t old = buffer_.size(), got = 0;
        buffer_.resize(old + 65536);
        int ok = SSL_read_ex(ssl_, buffer_.data() + old, 65536, &got);
        buffer_.resize(old + (ok == 1 ? got : 0));
        if (ok != 1) return std::nullopt;
    }
}

std::optional<std::string> TlsFloorClient::command(std::string_view cmd) {
    if (!send_line(cmd)) return std::nullopt;
    return read_line();
}

std::optional<std::string> TlsFloorClient::multi_line_command(std::string_view cmd) {
    if (!send_line(cmd)) return std::nullopt;
    return read_through("\r\n.\r\n");
}

}  // namespace halvex::bench
