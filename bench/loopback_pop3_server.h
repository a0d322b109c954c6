// LoopbackPop3Server: a bench-only POP3 server with no process between the socket and the
// mailbox, so the bench can time the client's own TLS cost. It listens on one ephemeral port
// of both 127.0.0.1 and ::1 (a client of "localhost" may take either), serves one connection
// at a time on its own thread, plain TCP or TLS from the first byte, and writes each reply with
// one write (over TLS one SSL_write), TCP_NODELAY set. The destructor stops it promptly.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/unique_fd.h"
#include "pop3_mailbox_replies.h"

typedef struct ssl_ctx_st SSL_CTX;

namespace halvex::bench {

class LoopbackPop3Server {
public:
    struct Tls {
        std::string cert_file;  // PEM chain for "localhost"
        std::string key_file;
    };

    // `messages` are message texts (LF or CRLF lines). Throws std::runtime_error when it
    // cannot listen or the certificate does not load.
    LoopbackPop3Server(const std::vector<std::string>& messages, std::string user, std::string password,
                       std::optional<Tls> tls = std::nullopt);
    ~LoopbackPop3Server();
    LoopbackPop3Server(const LoopbackPop3Server&) = delete;
    LoopbackPop3Server& operator=(const LoopbackPop3Server&) = delete;

    std::uint16_t port() const { return port_; }
    // Connections that ended with an error (I/O, TLS, overlong line) rather than QUIT or EOF.
    int failed_sessions() const { return failed_.load(); }
    std::string last_error() const;

private:
    void run();
    void serve(int fd);
    // Waits until `fd` is ready for `events`; false once the server stops or on an error.
    bool wait(int fd, short events) const;
    void fail(const std::string& why);

    std::vector<StoredMessage> mailbox_;
    std::string user_, password_;
    SSL_CTX* ctx_ = nullptr;
    testnet::UniqueFd listeners_[2];
    testnet::UniqueFd stop_read_, stop_write_;
    std::uint16_t port_ = 0;
    std::atomic<int> failed_{0};
    mutable std::mutex mutex_;
    std::string last_error_;
    std::thread thread_;
};

}  // namespace halvex::bench
