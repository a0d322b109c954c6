#include "loopback_pop3_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "net/loopback.h"

namespace halvex::bench {

namespace {

using testnet::Family;
using testnet::UniqueFd;

constexpr std::size_t kMaxLine = 4096;  // far above any command the client sends

std::string ssl_error(const char* what) {
    char text[256];
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return std::string(what) + ": " + text;
}

void set_nonblocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

LoopbackPop3Server::LoopbackPop3Server(const std::vector<std::string>& messages, std::string user,
                                       std::string password, std::optional<Tls> tls)
    : user_(std::move(user)), password_(std::move(password)) {
    mailbox_.reserve(messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i)
        mailbox_.push_back(store_message(messages[i], "uid" + std::to_string(i + 1)));
    if (tls) {
        ctx_ = SSL_CTX_new(TLS_server_method());
        if (!ctx_ || !SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION) ||
            SSL_CTX_use_certificate_chain_file(ctx_, tls->cert_file.c_str()) != 1 ||
            SSL_CTX_use_PrivateKey_file(ctx_, tls->key_file.c_str(), SSL_FILETYPE_PEM) != 1 ||
            SSL_CTX_check_private_key(ctx_) != 1) {
            std::string why = ssl_error("loopback server TLS set-up");
            if (ctx_) SSL_CTX_free(ctx_);
            throw std::runtime_error(why);
        }
    }
    if (ctx_) SSL_CTX_set_read_ahead(ctx_, 1);
    // The same port on both loopback addresses; another process may hold it on ::1 already.
    for (int attempt = 0; !listeners_[1]; ++attempt) {
        listeners_[0] = testnet::bind_loopback(Family::v4, 0);
        port_ = testnet::bound_port(listeners_[0].get());
        try {
            listeners_[1] = testnet::bind_loopback(Family::v6, port_);
        } catch (const std::runtime_error&) {
            if (attempt == 20) {
                if (ctx_) SSL_CTX_free(ctx_);
                throw;
            }
        }
    }
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    stop_read_.reset(pipe_fds[0]);
    stop_write_.reset(pipe_fds[1]);
    for (auto& l : listeners_) {
        if (::listen(l.get(), 8) != 0) throw std::runtime_error(std::string("listen: ") + std::strerror(errno));
        set_nonblocking(l.get());
    }
    thread_ = std::thread([this] { run(); });
}

LoopbackPop3Server::~LoopbackPop3Server() {
    char byte = 0;
    while (::write(stop_write_.get(), &byte, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    if (ctx_) SSL_CTX_free(ctx_);
}

std::string LoopbackPop3Server::last_error() const {
    std::lock_guard lock(mutex_);
    return last_error_;
}

void LoopbackPop3Server::fail(const std::string& why) {
    std::lock_guard lock(mutex_);
    last_error_ = why;
    ++failed_;
}

bool LoopbackPop3Server::wait(int fd, short events) const {
    pollfd p[2] = {{fd, events, 0}, {stop_read_.get(), POLLIN, 0}};
    for (;;) {
        int n = ::poll(p, 2, -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || p[1].revents) return false;
        return (p[0].revents & POLLNVAL) == 0;  // POLLHUP and POLLERR: the next call reports them
    }
}

void LoopbackPop3Server::run() {
    pollfd p[3] = {{listeners_[0].get(), POLLIN, 0}, {listeners_[1].get(), POLLIN, 0}, {stop_read_.get(), POLLIN, 0}};
    for (;;) {
        int n = ::poll(p, 3, -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || p[2].revents) return;
        for (int i = 0; i < 2; ++i) {
            if (!p[i].revents) continue;
            UniqueFd fd(::accept4(p[i].fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
            if (fd) serve(fd.get());
        }
    }
}

void LoopbackPop3Server::serve(int fd) {
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(nullptr, SSL_free);
    if (ctx_) {
        ssl.reset(SSL_new(ctx_));
        if (!ssl || SSL_set_fd(ssl.get(), fd) != 1) return fail(ssl_error("SSL_new"));
        ERR_clear_error();
        for (int rc; (rc = SSL_accept(ssl.get())) != 1;) {
            int e = SSL_get_error(ssl.get(), rc);
            if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) return fail(ssl_error("TLS handshake"));
            if (!wait(fd, e == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT)) return;
        }
    }

    // One reply, whole, in one write (one record when it fits in one).
    auto write_all = [&](const std::string& reply) {
        std::size_t done = 0;
        while (done < reply.size()) {
            if (ssl) {
                std::size_t sent = 0;
                ERR_clear_error();
                int rc = SSL_write_ex(ssl.get(), reply.data() + done, reply.size() - done, &sent);
                if (rc == 1) {
                    done += sent;
                    continue;
                }
                int e = SSL_get_error(ssl.get(), rc);
                if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) return fail(ssl_error("SSL_write")), false;
                if (!wait(fd, e == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT)) return false;
            } else {
                ssize_t n = ::send(fd, reply.data() + done, reply.size() - done, MSG_NOSIGNAL);
                if (n > 0) {
                    done += static_cast<std::size_t>(n);
                    continue;
                }
                if (n < 0 && errno == EINTR) continue;
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                    if (!wait(fd, POLLOUT)) return false;
                    continue;
                }
                return fail(std::string("send: ") + std::strerror(errno)), false;
            }
        }
        return true;
    };
    // Some bytes of the client's commands: > 0 read, 0 the client closed, < 0 stop or error.
    // The next command never arrives before the last reply is out, so the socket is waited on
    // first (a read first would nearly always find nothing), and over TLS the record is taken
    // in one receive (read-ahead): the server makes the same system calls either way.
    auto read_some = [&](char* buffer, std::size_t size) -> long {
        if (!(ssl && SSL_has_pending(ssl.get())) && !wait(fd, POLLIN)) return -1;
        for (;;) {
            if (ssl) {
                std::size_t got = 0;
                ERR_clear_error();
                int rc = SSL_read_ex(ssl.get(), buffer, size, &got);
                if (rc == 1) return static_cast<long>(got);
                int e = SSL_get_error(ssl.get(), rc);
                if (e == SSL_ERROR_ZERO_RETURN) return 0;
                if (e == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) return 0;  // closed without close_notify
                if (e == SSL_ERROR_SSL &&
                    ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING)
                    return 0;
                if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) return fail(ssl_error("SSL_read")), -1;
                if (!wait(fd, e == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT)) return -1;
            } else {
                ssize_t n = ::recv(fd, buffer, size, 0);
                if (n >= 0) return static_cast<long>(n);
                if (errno == EINTR) continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK) return fail(std::string("recv: ") + std::strerror(errno)), -1;
                if (!wait(fd, POLLIN)) return -1;
            }
        }
    };

    Pop3MailboxReplies pop(mailbox_, user_, password_);
    if (!write_all(Pop3MailboxReplies::greeting())) return;
    std::string pending;
    char buffer[8192];
    while (!pop.done()) {
        long n = read_some(buffer, sizeof buffer);
        if (n <= 0) return;
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t start = 0;
        for (std::size_t end; !pop.done() && (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string_view line(pending.data() + start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!write_all(pop.reply(line))) return;
        }
        pending.erase(0, start);
        if (pending.size() > kMaxLine) return fail("command line too long");
    }
    if (ssl) SSL_shutdown(ssl.get());  // close_notify; the client need not answer
}

}  // namespace halvex::bench
