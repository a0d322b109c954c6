// ScriptedPop3Server: a POP3 server on loopback that follows a script per connection and
// records everything the client sends, for tests that need exact replies.
//
// Usage:
//   ScriptedPop3Server server(Conversation().greet().login("bob", "pw").on("STAT", stat_reply(2, 320)).quit());
//   ... point the client at server.address() (or host() and port()) ...
//   EXPECT_EQ(server.lines(), (std::vector<std::string>{"USER bob", "PASS pw", "STAT", "QUIT"}));
//
// The server listens on a free port of 127.0.0.1 (or ::1) from construction on and serves on
// its own threads. Connection i follows conversation i; connections beyond the list follow the
// last one. Connections are served concurrently, so a client that opens a new connection before
// closing the old one never blocks the server. The destructor stops everything within a bounded
// time (well under a second), whatever the scripts and the clients are doing.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "net/conversation.h"
#include "net/loopback.h"
#include "net/unique_fd.h"

namespace halvex::testnet {

class ScriptedPop3Server {
public:
    explicit ScriptedPop3Server(Conversation conversation, Family family = Family::v4);
    explicit ScriptedPop3Server(std::vector<Conversation> per_connection, Family family = Family::v4);
    ~ScriptedPop3Server();
    ScriptedPop3Server(const ScriptedPop3Server&) = delete;
    ScriptedPop3Server& operator=(const ScriptedPop3Server&) = delete;

    std::uint16_t port() const { return port_; }
    Family family() const { return family_; }
    // "127.0.0.1" or "::1".
    std::string host() const { return loopback_host(family_); }
    // "127.0.0.1:port" or "[::1]:port", for a client that takes host:port.
    std::string address() const { return host_port(family_, port_); }

    std::size_t connection_count() const;
    // Every byte the client sent on connection `index` (empty for one not seen).
    std::string received(std::size_t index = 0) const;
    // Every byte the server sent on connection `index`.
    std::string sent(std::size_t index = 0) const;
    // How many bytes an endless step sent on connection `index`.
    std::uint64_t endless_bytes(std::size_t index = 0) const;
    // Both directions of connection `index` in the order they happened, with nothing added:
    // what a client's raw protocol log of the same session holds.
    std::string transcript(std::size_t index = 0) const;
    // The complete lines the client sent on connection `index`, without their line ends
    // (CR LF or a bare LF); a trailing unfinished line is not included.
    std::vector<std::string> lines(std::size_t index = 0) const;
    // The complete lines of all connections, in connection order.
    std::vector<std::string> all_lines() const;
    // True once the client has closed connection `index` (or it failed).
    bool client_closed(std::size_t index = 0) const;
    // True once connection `index` has run its last step or reached a stall, close or reset.
    bool script_done(std::size_t index = 0) const;
    // Lines that differed from an expect step, expect steps that timed out, send errors.
    std::vector<std::string> problems() const;

    // Waits until the client sent `line` (complete, without its line end) on any connection.
    bool wait_for_line(std::string_view line, Millis timeout) const;
    // Waits until at least `count` connections have been accepted.
    bool wait_for_connections(std::size_t count, Millis timeout) const;
    // Waits until the client closed connection `index`.
    bool wait_client_closed(std::size_t index, Millis timeout) const;

    // Stops accepting and serving; closes every connection. Idempotent; the destructor calls it.
    void stop();

private:
    struct Record;
    class Handler;

    void accept_loop();
    bool stopping() const;
    const Record* record_at(std::size_t index) const;  // caller holds mutex_

    std::vector<Conversation> conversations_;
    Family family_;
    UniqueFd listener_;
    UniqueFd stop_event_;  // eventfd, readable once stop() ran
    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::deque<Record> records_;
    std::vector<std::string> problems_;
    std::vector<std::thread> handlers_;
    std::thread acceptor_;
    bool stopped_ = false;

    friend class Handler;
};

}  // namespace halvex::testnet
