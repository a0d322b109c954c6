#include "pop3/tls_stream.h"

#include <arpa/inet.h>
#include <poll.h>

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "pop3/socket_bio.h"

namespace velmo {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxWaitMs = 250;

// Polls fd for events up to ms: 1 ready, 0 nothing yet (or interrupted), -1 error.
int wait_fd(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    int n = ::poll(&p, 1, std::max(ms, 0));
    if (n < 0) return errno == EINTR ? 0 : -1;
    if (n > 0 && (p.revents & POLLNVAL)) return -1;
    return n > 0 ? 1 : 0;
}

bool is_ip_literal(const std::string& host) {
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 || inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

long elapsed_ms(Clock::time_point since) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// What an SSL call that did not succeed asks for: the direction to wait for, or 0 when the
// connection is over. `eof` tells a plain end of stream from an error.
short wanted(SSL* ssl, int rc, bool& eof) {
    eof = false;
    switch (SSL_get_error(ssl, rc)) {
    case SSL_ERROR_WANT_READ: return POLLIN;
    case SSL_ERROR_WANT_WRITE: return POLLOUT;
    case SSL_ERROR_ZERO_RETURN: eof = true; return 0;
    case SSL_ERROR_SYSCALL: eof = ERR_peek_error() == 0 && errno == 0; return 0;
    case SSL_ERROR_SSL:
        // A server that drops the connection without close_notify ends the stream too; the
        // POP3 reply rules decide whether what came before it was complete.
        eof = ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
        return 0;
    default: return 0;
    }
}

}  // namespace

std::unique_ptr<TlsStream> TlsStream::connect(int fd, const std::string& peer_name,
                                              std::uint32_t timeout_ms,
                                              const std::function<bool()>& stop,
                                              FailureCause* why) {
    FailureCause ignored;
    if (!why) why = &ignored;
    *why = {FailureKind::TlsFailed, "TLS handshake with " + peer_name + " failed"};
    if (fd < 0 || peer_name.empty() || peer_name.find('\0') != std::string::npos) return nullptr;
    std::unique_ptr<TlsStream> stream(new TlsStream(fd));
    ERR_clear_error();
    // A context per connection: it reads SSL_CERT_FILE and SSL_CERT_DIR as they are now.
    SSL_CTX* ctx = stream->ctx_ = SSL_CTX_new(TLS_client_method());
    if (!ctx || !SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) || !SSL_CTX_set_default_verify_paths(ctx))
        return nullptr;
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    // Take whatever the socket holds in one receive rather than a record header and body
    // apiece; wait_readable() then looks at raw bytes held back as well as decrypted ones.
    SSL_CTX_set_read_ahead(ctx, 1);
    SSL* ssl = stream->ssl_ = SSL_new(ctx);
    if (!ssl) return nullptr;
    BIO* bio = new_socket_bio(fd);
    if (!bio) return nullptr;
    SSL_set_bio(ssl, bio, bio);
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    if (is_ip_literal(peer_name)) {
        if (!X509_VERIFY_PARAM_set1_ip_asc(param, peer_name.c_str())) return nullptr;
    } else {
        X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        if (!SSL_set1_host(ssl, peer_name.c_str()) || !SSL_set_tlsext_host_name(ssl, peer_name.c_str()))
            return nullptr;
    }
    SSL_set_connect_state(ssl);

    const auto start = Clock::now();
    for (;;) {
        ERR_clear_error();
        int rc = SSL_connect(ssl);
        if (rc == 1) break;
        bool eof = false;
        const unsigned long error = ERR_peek_error();
        short events = wanted(ssl, rc, eof);
        if (events == 0) {
            stream->broken_ = true;
            const long verdict = SSL_get_verify_result(ssl);
            if (verdict != X509_V_OK)
                *why = {FailureKind::TlsUntrusted, "TLS certificate not trusted for host " + peer_name + ": " +
                                                       X509_verify_cert_error_string(verdict)};
            else if (eof)
                why->text = "the server closed the connection during the TLS handshake with " + peer_name;
            else if (const char* reason = ERR_reason_error_string(error))
                why->text += std::string(": ") + reason;
            return nullptr;
        }
        for (;;) {
            if (stop && stop()) {
                *why = {FailureKind::Stopped, "stopped during the TLS handshake with " + peer_name};
                return nullptr;
            }
            long waited = elapsed_ms(start);
            if (waited > static_cast<long>(timeout_ms)) {
                *why = {FailureKind::NoAnswer, "no TLS handshake with " + peer_name + " within " + seconds_text(timeout_ms)};
                return nullptr;
            }
            int ready = wait_fd(fd, events, static_cast<int>(std::min<long>(kMaxWaitMs, long(timeout_ms) - waited + 1)));
            if (ready < 0) return nullptr;
            if (ready > 0) break;
        }
    }
    // SSL_VERIFY_PEER already fails the handshake on a bad chain or name; this is the guard
    // against a handshake that ended without any certificate.
    if (SSL_get_verify_result(ssl) != X509_V_OK || !SSL_get0_peer_certificate(ssl)) {
        *why = {FailureKind::TlsUntrusted, "TLS certificate not trusted for host " + peer_name + ": no certificate"};
        return nullptr;
    }
    stream->established_ = true;
    return stream;
}

TlsStream::~TlsStream() { free_all(); }

void TlsStream::free_all() {
    if (ssl_) SSL_free(ssl_);  // frees the BIO too
    if (ctx_) SSL_CTX_free(ctx_);
    ssl_ = nullptr;
    ctx_ = nullptr;
    established_ = false;
}

TlsStream::Ready TlsStream::wait_readable(int wait_ms) {
    if (!established_ || broken_ || closed_) return Ready::End;
    if (SSL_pending(ssl_) > 0) return Ready::Data;
    const auto start = Clock::now();
    const int limit = std::clamp(wait_ms, 0, kMaxWaitMs);
    short events = POLLIN;
    // Raw bytes already read from the socket may hold whole records: they are looked at
    // before the socket is waited on, since the socket has nothing more to say about them.
    bool look_first = SSL_has_pending(ssl_) == 1;
    for (;;) {
        const int left = std::max(0, limit - static_cast<int>(elapsed_ms(start)));
        if (!look_first) {
            int ready = wait_fd(fd_, events, left);
            if (ready < 0) {
                broken_ = true;
                return Ready::End;
            }
            if (ready == 0) return Ready::Nothing;
        }
        look_first = false;
        // Something arrived: let the TLS layer take it and see whether it holds application
        // data (it may be part of a record, or a handshake message such as a session ticket).
        ERR_clear_error();
        char byte;
        std::size_t got = 0;
        int rc = SSL_peek_ex(ssl_, &byte, 1, &got);
        if (rc == 1) return Ready::Data;
        bool eof = false;
        events = wanted(ssl_, rc, eof);
        if (events == 0) {
            (eof ? closed_ : broken_) = true;
            return Ready::End;
        }
        if (left == 0) return Ready::Nothing;
    }
}

long TlsStream::receive(char* buffer, std::size_t size) {
    if (!established_ || broken_) return -1;
    if (closed_) return 0;
    for (int attempt = 0;; ++attempt) {
        ERR_clear_error();
        std::size_t got = 0;
        int rc = SSL_read_ex(ssl_, buffer, size, &got);
        if (rc == 1) return static_cast<long>(got);
        bool eof = false;
        short events = wanted(ssl_, rc, eof);
        if (events == 0) {
            (eof ? closed_ : broken_) = true;
            return eof ? 0 : -1;
        }
        // Nothing decrypted after all: give the rest of a record one short wait.
        if (attempt > 0 || wait_fd(fd_, events, kMaxWaitMs) <= 0) return -1;
    }
}

bool TlsStream::send(std::string_view data, std::uint32_t timeout_ms) {
    if (!established_ || broken_ || data.empty()) return false;
    const auto start = Clock::now();
    for (;;) {
        ERR_clear_error();
        std::size_t sent = 0;
        int rc = SSL_write_ex(ssl_, data.data(), data.size(), &sent);
        if (rc == 1) return sent > 0;
        bool eof = false;
        short events = wanted(ssl_, rc, eof);
        long waited = elapsed_ms(start);
        // An abandoned write leaves the connection unusable: it must be retried with the same
        // bytes or not at all.
        if (events == 0 || waited > static_cast<long>(timeout_ms) ||
            wait_fd(fd_, events, static_cast<int>(std::min<long>(kMaxWaitMs, long(timeout_ms) - waited + 1))) < 0) {
            broken_ = true;
            return false;
        }
    }
}

void TlsStream::close() {
    if (ssl_ && established_ && !broken_) {
        ERR_clear_error();
        SSL_shutdown(ssl_);  // close_notify, no wait for the server's
    }
    free_all();
    ERR_clear_error();
}

}  // namespace velmo
