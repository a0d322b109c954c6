// HoldProxy: a TCP relay on loopback that can stop a client at a chosen command, so a test can
// act between two commands of a real session (another client changes the mailbox, say) and
// then let the session go on. The first time any client sends the line `hold_at` (without its
// line end), that line and everything the client sends after it are kept back until release();
// then they go on in order. Lines before it are relayed whole as they complete; the server's
// bytes always pass straight through. Each accepted connection opens its own connection to the
// target. The destructor closes every connection and joins every thread within a bounded time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/conversation.h"
#include "net/loopback.h"
#include "net/unique_fd.h"

namespace halvex::testnet {

class HoldProxy {
public:
    // Listens at once on a free loopback port of `family`; relays to the same family's
    // loopback address at `target_port`.
    HoldProxy(Family family, std::uint16_t target_port, std::string hold_at);
    ~HoldProxy();
    HoldProxy(const HoldProxy&) = delete;
    HoldProxy& operator=(const HoldProxy&) = delete;

    std::uint16_t port() const { return port_; }
    // "127.0.0.1:port" or "[::1]:port".
    std::string address() const { return host_port(family_, port_); }

    // Waits until the line is being held; false when it did not come within `timeout`.
    bool wait_held(Millis timeout);
    // Lets the held line and what followed it go on. Idempotent.
    void release();

private:
    class Link;
    friend class Link;

    void accept_loop();

    Family family_;
    std::uint16_t target_port_;
    std::string hold_at_;
    UniqueFd listener_;
    UniqueFd stop_event_;     // eventfd, readable once the destructor runs
    UniqueFd release_event_;  // eventfd, readable once release() ran
    std::uint16_t port_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;      // a link holds (or held) the line
    bool released_ = false;
    std::vector<std::thread> links_;
    std::thread acceptor_;
};

}  // namespace halvex::testnet
