#include "net/hold_proxy.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>
#include <string_view>

namespace halvex::testnet {

namespace {

bool send_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

// One relayed connection, on its own thread: client -> server line by line until the held
// line, server -> client as it comes.
class HoldProxy::Link {
public:
    Link(HoldProxy& proxy, UniqueFd client, UniqueFd server)
        : proxy_(proxy), client_(std::move(client)), server_(std::move(server)) {}

    void run() {
        char buffer[65536];
        bool client_open = true, server_open = true;
        while (client_open || server_open) {
            pollfd p[4] = {{proxy_.stop_event_.get(), POLLIN, 0},
                           {client_open ? client_.get() : -1, POLLIN, 0},
                           {server_open ? server_.get() : -1, POLLIN, 0},
                           {holding_ ? proxy_.release_event_.get() : -1, POLLIN, 0}};
            if (::poll(p, 4, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (p[0].revents) return;
            if (p[3].revents) {
                holding_ = false;  // released: the rest goes as it comes
                if (!flush_up()) return;
                if (!client_open) ::shutdown(server_.get(), SHUT_WR);
            }
            if (p[1].revents) {
                const ssize_t got = ::recv(client_.get(), buffer, sizeof buffer, 0);
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0) {
                    client_open = false;
                    if (!holding_ && flush_up()) ::shutdown(server_.get(), SHUT_WR);
                } else {
                    up_.append(buffer, static_cast<std::size_t>(got));
                    if (!relay_up()) return;
                }
            }
            if (p[2].revents) {
                const ssize_t got = ::recv(server_.get(), buffer, sizeof buffer, 0);
                if (got < 0 && errno == EINTR) continue;
                if (got <= 0 || !send_all(client_.get(), std::string_view(buffer, static_cast<std::size_t>(got)))) {
                    server_open = false;
                    ::shutdown(client_.get(), SHUT_WR);
                }
            }
        }
    }

private:
    // Complete lines go on until the held one; after a release everything does.
    bool relay_up() {
        if (holding_) return true;
        if (!watching_) return flush_up();
        std::size_t start = 0;
        for (std::size_t nl; (nl = up_.find('\n', start)) != std::string::npos; start = nl + 1) {
            std::string_view line(up_.data() + start, nl - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (line == proxy_.hold_at_ && take_hold()) {
                if (!send_all(server_.get(), std::string_view(up_).substr(0, start))) return false;
                up_.erase(0, start);
                holding_ = true;
                return true;
            }
        }
        if (!send_all(server_.get(), std::string_view(up_).substr(0, start))) return false;
        up_.erase(0, start);
        return true;
    }

    bool flush_up() {
        watching_ = false;
        const bool ok = send_all(server_.get(), up_);
        up_.clear();
        return ok;
    }

    // Only the first link to see the line holds it.
    bool take_hold() {
        std::lock_guard lock(proxy_.mutex_);
        if (proxy_.held_) {
            watching_ = false;
            return false;
        }
        proxy_.held_ = true;
        proxy_.changed_.notify_all();
        return true;
    }

    HoldProxy& proxy_;
    UniqueFd client_;
    UniqueFd server_;
    std::string up_;        // client bytes not yet relayed
    bool watching_ = true;  // still looking for the line to hold
    bool holding_ = false;
};

HoldProxy::HoldProxy(Family family, std::uint16_t target_port, std::string hold_at)
    : family_(family), target_port_(target_port), hold_at_(std::move(hold_at)) {
    listener_ = bind_loopback(family_);
    if (::listen(listener_.get(), 16) != 0) throw std::runtime_error("hold proxy: listen failed");
    port_ = bound_port(listener_.get());
    stop_event_.reset(::eventfd(0, EFD_CLOEXEC));
    release_event_.reset(::eventfd(0, EFD_CLOEXEC));
    if (!stop_event_ || !release_event_) throw std::runtime_error("hold proxy: eventfd failed");
    acceptor_ = std::thread([this] { accept_loop(); });
}

HoldProxy::~HoldProxy() {
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(stop_event_.get(), &one, sizeof one);
    acceptor_.join();
    // The acceptor adds no link after it has ended, so the list is stable now.
    for (std::thread& t : links_) t.join();
}

bool HoldProxy::wait_held(Millis timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return held_; });
}

void HoldProxy::release() {
    {
        std::lock_guard lock(mutex_);
        if (released_) return;
        released_ = true;
    }
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(release_event_.get(), &one, sizeof one);
}

void HoldProxy::accept_loop() {
    for (;;) {
        pollfd p[2] = {{listener_.get(), POLLIN, 0}, {stop_event_.get(), POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (p[1].revents) return;
        if (!p[0].revents) continue;
        UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client) continue;
        UniqueFd server = connect_loopback(family_, target_port_, Millis(5000));
        if (!server) continue;  // the client sees its connection closed
        for (int fd : {client.get(), server.get()}) {
            int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        }
        links_.emplace_back([this, c = std::move(client), s = std::move(server)]() mutable {
            Link(*this, std::move(c), std::move(s)).run();
        });
    }
}

}  // namespace halvex::testnet
