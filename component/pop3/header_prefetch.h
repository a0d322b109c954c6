// HeaderPrefetch: the bookkeeping of a pipelined header scan, without any I/O. When the server
// lists PIPELINING, a request for the header of message n also sends TOP for the messages after
// it, so their replies are on their way while the caller judges n; this records which TOP
// commands are on the wire (in order: replies come back in the order the commands went out),
// and the headers that arrived before anyone asked for them.
//
// Bounds: at most a window of headers is in flight or held at once, and no further TOP is
// planned while the held headers take more than kMaxHeldBytes, so memory stays flat however
// large the mailbox. The window starts at kWindow and grows by three with each header handed out, so it
// grows fourfold with every round trip of a scan that goes on, up to kMaxWindow: a short scan
// sends few commands it does not need, and a long one fills a slow line within three round
// trips. The replies in flight wait in the socket buffers, where the server stops when they
// are full. A held header is handed
// out once; asking again sends TOP again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "pop3/failure_cause.h"

namespace velmo {

class HeaderPrefetch {
public:
    static constexpr std::size_t kWindow = 48;
    static constexpr std::size_t kMaxWindow = 1024;
    static constexpr std::size_t kMaxHeldBytes = 2 * 1024 * 1024;

    // One reply as it arrived: the whole reply text (status line to terminator), or a read
    // that failed (the connection broke, the time ran out, the reply passed its cap).
    struct Reply {
        bool read = false;  // the reply arrived whole
        std::string text;
        FailureCause cause{};  // why the read failed
    };

    // The TOP commands to send now for a request of message n, of `listed` messages: n itself
    // unless it is held or in flight, then (when `ahead`) the messages after the highest one
    // planned so far, within the window and the byte bound.
    std::vector<std::int32_t> plan(std::int32_t n, std::int32_t listed, bool ahead) const;
    // A TOP for n went out.
    void sent(std::int32_t n);

    bool in_flight() const { return !in_flight_.empty(); }
    bool awaits(std::int32_t n) const;
    std::int32_t next_reply() const { return in_flight_.front(); }  // only while in_flight()
    // The reply to next_reply() arrived (or its read failed).
    void arrived(Reply reply);

    bool holds(std::int32_t n) const { return held_.count(n) != 0; }
    // Hands out the held reply of n, once.
    std::optional<Reply> take(std::int32_t n);
    // The header of n may have changed (DELE n): a held reply is dropped.
    void forget(std::int32_t n);
    // Every held reply is dropped (RSET brings deleted messages back).
    void forget_held();
    // Nothing in flight any more, nothing held, planning starts again at 1.
    void reset();

    std::size_t held_bytes() const { return held_bytes_; }

private:
    std::deque<std::int32_t> in_flight_;
    std::map<std::int32_t, Reply> held_;
    std::size_t held_bytes_ = 0;
    std::int32_t highest_planned_ = 0;
    std::size_t window_ = kWindow;
};

}  // namespace velmo
