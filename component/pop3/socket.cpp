#include "pop3/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "pop3/tls_stream.h"

namespace velmo {

namespace {

using Clock = std::chrono::steady_clock;

// The address to connect to: a literal as it is, else the resolver's first answer.
bool resolve(const std::string& host, std::uint16_t port, sockaddr_storage& out, socklen_t& len) {
    if (host.find('\0') != std::string::npos) return false;
    std::memset(&out, 0, sizeof out);
    sockaddr_in v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        std::memcpy(&out, &v4, sizeof v4);
        len = sizeof v4;
        return true;
    }
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET6, host.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        std::memcpy(&out, &v6, sizeof v6);
        len = sizeof v6;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* answer = nullptr;
    if (host.empty() || getaddrinfo(host.c_str(), nullptr, &hints, &answer) != 0 || !answer)
        return false;
    bool ok = answer->ai_addrlen <= sizeof out &&
              (answer->ai_family == AF_INET || answer->ai_family == AF_INET6);
    if (ok) {
        std::memcpy(&out, answer->ai_addr, answer->ai_addrlen);
        len = answer->ai_addrlen;
        if (answer->ai_family == AF_INET)
            reinterpret_cast<sockaddr_in*>(&out)->sin_port = htons(port);
        else
            reinterpret_cast<sockaddr_in6*>(&out)->sin6_port = htons(port);
    }
    freeaddrinfo(answer);
    return ok;
}

}  // namespace

Socket::Socket() = default;

Socket::~Socket() { close(); }

bool Socket::connect(const std::string& host, std::uint16_t port, std::uint32_t timeout_ms,
                     const std::function<bool()>& stop) {
    close();
    clear_failure();
    const std::string where = host + " port " + std::to_string(port);
    sockaddr_storage address;
    socklen_t length = 0;
    if (!resolve(host, port, address, length)) return fail(FailureKind::HostNotFound, "host not found: " + host);

    // Words a failed connect by its errno; the descriptor is closed.
    auto refused = [&](int fd, int error) {
        if (fd >= 0) ::close(fd);
        if (error == ECONNREFUSED) return fail(FailureKind::ConnectionRefused, "connection refused by " + where);
        return fail(FailureKind::ConnectionLost, "cannot connect to " + where + ": " + std::strerror(error));
    };
    int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd < 0) return refused(-1, errno);
    // Every command goes out in one send: waiting for the ACK of the one before (Nagle) would
    // add a round trip to each command that follows a pipelined one.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&address), length);
    if (rc != 0 && errno != EINPROGRESS) return refused(fd, errno);
    if (rc != 0) {
        const auto start = Clock::now();
        for (;;) {
            if (stop && stop()) {
                ::close(fd);
                return fail(FailureKind::Stopped, "stopped while connecting to " + where);
            }
            auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            if (waited > static_cast<long long>(timeout_ms)) {
                ::close(fd);
                return fail(FailureKind::NoAnswer, "no connection to " + where + " within " + seconds_text(timeout_ms));
            }
            pollfd p{fd, POLLOUT, 0};
            int wait = static_cast<int>(std::min<long long>(kMaxWaitMs, timeout_ms - waited + 1));
            int n = ::poll(&p, 1, wait);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return refused(fd, errno);
            if (n > 0) break;
        }
        int error = 0;
        socklen_t error_len = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &error_len) != 0) return refused(fd, errno);
        if (error != 0) return refused(fd, error);
    }
    // Blocking from here on: reads are guarded by wait_readable, a send is one call.
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return refused(fd, errno);
    fd_ = fd;
    return true;
}

bool Socket::start_tls(const std::string& peer_name, std::uint32_t timeout_ms,
                       const std::function<bool()>& stop) {
    clear_failure();
    if (fd_ < 0 || tls_) return fail(FailureKind::TlsFailed, "no connection to start TLS on");
    // Non-blocking for good: a read must never wait inside the TLS layer for the rest of a
    // record, or a server that stalls mid-record would outlast the idle timeout.
    int flags = fcntl(fd_, F_GETFL);
    FailureCause why{FailureKind::TlsFailed, "TLS handshake with " + peer_name + " failed"};
    if (flags >= 0 && fcntl(fd_, F_SETFL, flags | O_NONBLOCK) == 0)
        tls_ = TlsStream::connect(fd_, peer_name, timeout_ms, stop, &why);
    if (!tls_) {
        close();
        return fail(why.kind, std::move(why.text));
    }
    tls_send_timeout_ms_ = timeout_ms;
    return true;
}

Socket::Ready Socket::wait_readable(int wait_ms) {
    if (fd_ < 0) return Ready::Error;
    if (tls_) {
        switch (tls_->wait_readable(wait_ms)) {
        case TlsStream::Ready::Nothing: return Ready::Nothing;
        case TlsStream::Ready::Data:
        case TlsStream::Ready::End: return Ready::Data;  // the receive reports the end or the error
        }
    }
    pollfd p{fd_, POLLIN, 0};
    int n = ::poll(&p, 1, std::clamp(wait_ms, 0, kMaxWaitMs));
    if (n < 0) return errno == EINTR ? Ready::Nothing : Ready::Error;
    if (n == 0) return Ready::Nothing;
    if (p.revents & POLLNVAL) return Ready::Error;
    // POLLHUP and POLLERR also count as ready: the receive then reports the end or the error.
    return Ready::Data;
}

long Socket::receive(char* buffer, std::size_t size) {
    if (fd_ < 0) return -1;
    if (tls_) return tls_->receive(buffer, size);
    for (;;) {
        ssize_t n = ::recv(fd_, buffer, size, 0);
        if (n < 0 && errno == EINTR) continue;
        return static_cast<long>(n);
    }
}

bool Socket::send_once(std::string_view data) {
    if (fd_ < 0) return false;
    if (tls_) return tls_->send(data, tls_send_timeout_ms_);
    ssize_t n;
    do {
        n = ::send(fd_, data.data(), data.size(), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n > 0;
}

void Socket::close() {
    if (tls_) {
        tls_->close();
        tls_.reset();
    }
    if (fd_ < 0) return;
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace velmo
