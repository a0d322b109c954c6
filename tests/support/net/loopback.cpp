#include "net/loopback.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace halvex::testnet {
namespace {

struct Address {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

Address loopback_address(Family family, std::uint16_t port) {
    Address a;
    if (family == Family::v4) {
        auto* in = reinterpret_cast<sockaddr_in*>(&a.storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.length = sizeof(sockaddr_in);
    } else {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&a.storage);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        in6->sin6_addr = in6addr_loopback;
        a.length = sizeof(sockaddr_in6);
    }
    return a;
}

int domain_of(Family family) { return family == Family::v4 ? AF_INET : AF_INET6; }

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

}  // namespace

const char* loopback_host(Family family) { return family == Family::v4 ? "127.0.0.1" : "::1"; }

std::string host_port(Family family, std::uint16_t port) {
    if (family == Family::v4) return "127.0.0.1:" + std::to_string(port);
    return "[::1]:" + std::to_string(port);
}

UniqueFd bind_loopback(Family family, std::uint16_t port) {
    UniqueFd fd(::socket(domain_of(family), SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) fail("socket");
    int one = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (family == Family::v6) ::setsockopt(fd.get(), IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    Address a = loopback_address(family, port);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&a.storage), a.length) != 0) fail("bind");
    return fd;
}

std::uint16_t bound_port(int fd) {
    sockaddr_storage s{};
    socklen_t len = sizeof s;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&s), &len) != 0) fail("getsockname");
    if (s.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&s)->sin_port);
    return ntohs(reinterpret_cast<sockaddr_in6*>(&s)->sin6_port);
}

std::uint16_t free_port(Family family) {
    UniqueFd fd = bind_loopback(family, 0);
    return bound_port(fd.get());
}

UniqueFd connect_loopback(Family family, std::uint16_t port, std::chrono::milliseconds timeout,
                          int* errno_out) {
    auto report = [&](int e) {
        if (errno_out) *errno_out = e;
        return UniqueFd();
    };
    UniqueFd fd(::socket(domain_of(family), SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) return report(errno);
    Address a = loopback_address(family, port);
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&a.storage), a.length) != 0) {
        if (errno != EINPROGRESS) return report(errno);
        pollfd p{fd.get(), POLLOUT, 0};
        int n = ::poll(&p, 1, static_cast<int>(timeout.count()));
        if (n == 0) return report(ETIMEDOUT);
        if (n < 0) return report(errno);
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) return report(err);
    }
    int flags = ::fcntl(fd.get(), F_GETFL);
    ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    if (errno_out) *errno_out = 0;
    return fd;
}

RefusedPort::RefusedPort(Family family) : fd_(bind_loopback(family, 0)), port_(bound_port(fd_.get())) {}

UnansweredPort::UnansweredPort(Family family) : listener_(bind_loopback(family, 0)) {
    port_ = bound_port(listener_.get());
    if (::listen(listener_.get(), 0) != 0) fail("listen");
    // Fill the accept queue; once it is full the kernel drops further SYNs. A filler that does
    // not complete in time just means the queue was already full.
    for (auto& filler : fillers_) filler = connect_loopback(family, port_, std::chrono::milliseconds(200));
}

}  // namespace halvex::testnet
