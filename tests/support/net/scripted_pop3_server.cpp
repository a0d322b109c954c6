#include "net/scripted_pop3_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace halvex::testnet {

using Clock = std::chrono::steady_clock;

struct ScriptedPop3Server::Record {
    std::string received;
    std::string sent;
    std::string transcript;
    std::uint64_t endless = 0;
    bool client_closed = false;
    bool script_done = false;
    std::size_t unscripted_capa = 0;  // CAPA lines answered "-ERR" on the script's behalf
};

namespace {

std::vector<std::string> split_lines(std::string_view bytes) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t nl; (nl = bytes.find('\n', start)) != std::string_view::npos; start = nl + 1) {
        std::string_view line = bytes.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        out.emplace_back(line);
    }
    return out;
}

int remaining_ms(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

}  // namespace

// Serves one connection on its own thread.
class ScriptedPop3Server::Handler {
public:
    Handler(ScriptedPop3Server& server, std::size_t index, UniqueFd fd, Conversation conversation)
        : server_(server), index_(index), fd_(std::move(fd)), conversation_(std::move(conversation)) {}

    void run() {
        const auto& steps = conversation_.steps();
        bool going = true;
        for (std::size_t i = 0; going && i < steps.size(); ++i) going = run_step(i, steps[i]);
        mark_done();
        if (going) pump_until_closed();
    }

private:
    bool run_step(std::size_t number, const Step& step) {
        switch (step.kind) {
        case Step::Kind::send:
            for (std::size_t p = 0; p < step.pieces.size(); ++p) {
                if (p > 0 && step.gap.count() > 0 && !pump_until(Clock::now() + step.gap)) return false;
                if (!send_all(step.pieces[p])) return false;
            }
            return true;
        case Step::Kind::send_filler: {
            std::string block(std::min<std::size_t>(step.filler_count, 64 * 1024), step.filler_byte);
            for (std::size_t left = step.filler_count; left > 0;) {
                std::size_t n = std::min(left, block.size());
                if (!send_all(std::string_view(block).substr(0, n))) return false;
                left -= n;
            }
            return true;
        }
        case Step::Kind::endless: {
            // Ends only when the client goes away or the server stops; that is no problem here.
            const std::string& pattern = step.pieces.front();
            if (step.gap.count() > 0) {
                for (std::size_t i = 0;; ++i) {
                    if (!pump_until(Clock::now() + step.gap)) return false;
                    if (!send_all(std::string_view(pattern).substr(i % pattern.size(), 1), false)) return false;
                }
            }
            std::string block;
            while (block.size() < 64 * 1024) block += pattern;
            for (;;)
                if (!send_all(block, false)) return false;
        }
        case Step::Kind::expect:
            return expect_line(number, step.expected);
        case Step::Kind::pause:
            return pump_until(Clock::now() + step.gap);
        case Step::Kind::stall:
            mark_done();
            pump_until_closed();
            return false;
        case Step::Kind::close:
            mark_done();  // before the client can see the close
            ::shutdown(fd_.get(), SHUT_WR);
            pump_until_closed();
            return false;
        case Step::Kind::reset: {
            linger l{1, 0};
            ::setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
            mark_done();
            mark_closed();
            fd_.reset();
            return false;
        }
        }
        return false;
    }

    bool expect_line(std::size_t number, const std::optional<std::string>& expected) {
        auto deadline = Clock::now() + conversation_.expect_timeout();
        for (;;) {
            if (auto nl = inbox_.find('\n'); nl != std::string::npos) {
                std::string line = inbox_.substr(0, nl);
                inbox_.erase(0, nl + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (line == "CAPA" && expected != "CAPA") {
                    // A script that does not speak of CAPA stands for a server without it.
                    {
                        std::lock_guard lock(server_.mutex_);
                        ++server_.records_[index_].unscripted_capa;
                    }
                    if (!send_all("-ERR unknown command\r\n")) return false;
                    continue;
                }
                if (expected && line != *expected)
                    problem("step " + std::to_string(number) + " expected \"" + *expected + "\", got \"" + line + "\"");
                return true;
            }
            if (Clock::now() >= deadline) {
                problem("step " + std::to_string(number) + " timed out waiting for " +
                        (expected ? "\"" + *expected + "\"" : std::string("a line")));
                return false;
            }
            if (!pump_until(deadline, true)) {
                if (peer_closed_)
                    problem("step " + std::to_string(number) + ": client closed while waiting for " +
                            (expected ? "\"" + *expected + "\"" : std::string("a line")));
                return false;
            }
        }
    }

    // Waits for input and records it until `deadline`. With `return_on_data`, returns as soon
    // as something arrived. False when the client closed or the server stops.
    bool pump_until(Clock::time_point deadline, bool return_on_data = false) {
        for (;;) {
            int wait = remaining_ms(deadline);
            pollfd p[2] = {{fd_.get(), POLLIN, 0}, {server_.stop_event_.get(), POLLIN, 0}};
            int n = ::poll(p, 2, wait);
            if (n < 0 && errno != EINTR) return false;
            if (p[1].revents) return false;
            if (p[0].revents) {
                if (!drain()) return false;
                if (return_on_data) return true;
            }
            if (n == 0 && Clock::now() >= deadline) return true;
        }
    }

    void pump_until_closed() {
        if (!fd_) return;
        while (pump_until(Clock::now() + Millis(1000))) {
        }
    }

    // Reads everything ready. False once the client closed or the socket failed.
    bool drain() {
        char buf[16384];
        for (;;) {
            ssize_t n = ::recv(fd_.get(), buf, sizeof buf, MSG_DONTWAIT);
            if (n > 0) {
                inbox_.append(buf, static_cast<std::size_t>(n));
                std::lock_guard lock(server_.mutex_);
                server_.records_[index_].received.append(buf, static_cast<std::size_t>(n));
                server_.records_[index_].transcript.append(buf, static_cast<std::size_t>(n));
                server_.changed_.notify_all();
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
            if (n < 0 && errno == EINTR) continue;
            mark_closed();
            return false;
        }
    }

    // `record` false: the bytes are only counted (an endless step), and a failed send is the
    // expected end, no problem.
    bool send_all(std::string_view bytes, bool record = true) {
        while (!bytes.empty()) {
            ssize_t n;
            {
                // Recorded under the lock together with the send, so a client that has read
                // the bytes always finds them in sent().
                std::lock_guard lock(server_.mutex_);
                n = ::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0 && record) {
                    server_.records_[index_].sent.append(bytes.data(), static_cast<std::size_t>(n));
                    server_.records_[index_].transcript.append(bytes.data(), static_cast<std::size_t>(n));
                } else if (n > 0) {
                    server_.records_[index_].endless += static_cast<std::uint64_t>(n);
                }
            }
            if (n > 0) {
                bytes.remove_prefix(static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd p[2] = {{fd_.get(), POLLOUT | POLLIN, 0}, {server_.stop_event_.get(), POLLIN, 0}};
                if (::poll(p, 2, -1) < 0 && errno != EINTR) return false;
                if (p[1].revents) return false;
                if ((p[0].revents & POLLIN) && !drain()) return false;
                continue;
            }
            if (record && !server_.stopping()) problem(std::string("send failed: ") + std::strerror(errno));
            mark_closed();
            return false;
        }
        return true;
    }

    void problem(std::string text) {
        std::lock_guard lock(server_.mutex_);
        server_.problems_.push_back("connection " + std::to_string(index_) + ": " + std::move(text));
    }

    void mark_closed() {
        peer_closed_ = true;
        std::lock_guard lock(server_.mutex_);
        server_.records_[index_].client_closed = true;
        server_.changed_.notify_all();
    }

    void mark_done() {
        std::lock_guard lock(server_.mutex_);
        server_.records_[index_].script_done = true;
        server_.changed_.notify_all();
    }

    ScriptedPop3Server& server_;
    std::size_t index_;
    UniqueFd fd_;
    Conversation conversation_;
    std::string inbox_;  // received bytes not yet taken by an expect step
    bool peer_closed_ = false;
};

ScriptedPop3Server::ScriptedPop3Server(Conversation conversation, Family family)
    : ScriptedPop3Server(std::vector<Conversation>{std::move(conversation)}, family) {}

ScriptedPop3Server::ScriptedPop3Server(std::vector<Conversation> per_connection, Family family)
    : conversations_(std::move(per_connection)), family_(family), listener_(bind_loopback(family, 0)) {
    if (conversations_.empty()) conversations_.push_back(Conversation::silent());
    port_ = bound_port(listener_.get());
    if (::listen(listener_.get(), 16) != 0) throw std::runtime_error("listen failed");
    stop_event_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stop_event_) throw std::runtime_error("eventfd failed");
    acceptor_ = std::thread([this] { accept_loop(); });
}

ScriptedPop3Server::~ScriptedPop3Server() { stop(); }

bool ScriptedPop3Server::stopping() const {
    std::lock_guard lock(mutex_);
    return stopped_;
}

void ScriptedPop3Server::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        stopped_ = true;
    }
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(stop_event_.get(), &one, sizeof one);
    if (acceptor_.joinable()) acceptor_.join();
    // The acceptor adds no handler after it has ended, so the list is stable now.
    for (auto& t : handlers_)
        if (t.joinable()) t.join();
    listener_.reset();
    changed_.notify_all();
}

void ScriptedPop3Server::accept_loop() {
    for (;;) {
        pollfd p[2] = {{listener_.get(), POLLIN, 0}, {stop_event_.get(), POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (p[1].revents) return;
        if (!p[0].revents) continue;
        UniqueFd fd(::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd) continue;
        int one = 1;
        ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::size_t index;
        {
            std::lock_guard lock(mutex_);
            index = records_.size();
            records_.emplace_back();
            changed_.notify_all();
        }
        const Conversation& c = conversations_[std::min(index, conversations_.size() - 1)];
        handlers_.emplace_back([this, index, f = std::move(fd), c]() mutable {
            Handler(*this, index, std::move(f), std::move(c)).run();
        });
    }
}

const ScriptedPop3Server::Record* ScriptedPop3Server::record_at(std::size_t index) const {
    return index < records_.size() ? &records_[index] : nullptr;
}

std::size_t ScriptedPop3Server::connection_count() const {
    std::lock_guard lock(mutex_);
    return records_.size();
}

std::string ScriptedPop3Server::received(std::size_t index) const {
    std::lock_guard lock(mutex_);
    const Record* r = record_at(index);
    return r ? r->received : std::string();
}

std::string ScriptedPop3Server::sent(std::size_t index) const {
    std::lock_guard lock(mutex_);
    const Record* r = record_at(index);
    return r ? r->sent : std::string();
}

std::uint64_t ScriptedPop3Server::endless_bytes(std::size_t index) const {
    std::lock_guard lock(mutex_);
    const Record* r = record_at(index);
    return r ? r->endless : 0;
}

std::string ScriptedPop3Server::transcript(std::size_t index) const {
    std::lock_guard lock(mutex_);
    const Record* r = record_at(index);
    return r ? r->transcript : std::string();
}

// A CAPA that the script did not expect is answered "-ERR" by the server, as one without
// capabilities would, and is left out of lines() (received() and transcript() still hold it),
// so a script written for a server without CAPA reads as before.
std::vector<std::string> ScriptedPop3Server::lines(std::size_t index) const {
    std::size_t capa = 0;
    std::vector<std::string> out;
    {
        std::lock_guard lock(mutex_);
        const Record* r = record_at(index);
        if (!r) return out;
        out = split_lines(r->received);
        capa = r->unscripted_capa;
    }
    for (auto it = out.begin(); capa > 0 && it != out.end();) {
        if (*it == "CAPA") {
            it = out.erase(it);
            --capa;
        } else {
            ++it;
        }
    }
    return out;
}

std::vector<std::string> ScriptedPop3Server::all_lines() const {
    std::vector<std::string> out;
    for (std::size_t i = 0, n = connection_count(); i < n; ++i) {
        auto l = lines(i);
        out.insert(out.end(), l.begin(), l.end());
    }
    return out;
}

bool ScriptedPop3Server::client_closed(std::size_t index) const {
    std::lock_guard lock(mutex_);
    const Record* r = record_at(index);
    return r && r->client_closed;
}

bool ScriptedPop3Server::script_done(std::size_t index) const {
    std::lock_guard lock(mutex_);
    const Record* r = record_at(index);
    return r && r->script_done;
}

std::vector<std::string> ScriptedPop3Server::problems() const {
    std::lock_guard lock(mutex_);
    return problems_;
}

bool ScriptedPop3Server::wait_for_line(std::string_view line, Millis timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        for (const auto& r : records_)
            for (const auto& l : split_lines(r.received))
                if (l == line) return true;
        return false;
    });
}

bool ScriptedPop3Server::wait_for_connections(std::size_t count, Millis timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return records_.size() >= count; });
}

bool ScriptedPop3Server::wait_client_closed(std::size_t index, Millis timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        const Record* r = record_at(index);
        return r && r->client_closed;
    });
}

}  // namespace halvex::testnet
