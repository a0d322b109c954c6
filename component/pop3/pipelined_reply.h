// PipelinedReply: collects one reply to a multi-line command (TOP) out of a stream that carries
// the replies to further commands behind it. A status line beginning "+OK" (letter case
// ignored) opens a reply that ends at "\r\n.\r\n"; any other status line is the whole reply, so
// a "-ERR" never swallows the replies after it. Bytes after the reply belong to the next one
// and are kept apart (rest()). Each NUL of the stream was made a space before it got here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmo {

class PipelinedReply {
public:
    enum class State { More, Complete, Fail };

    explicit PipelinedReply(std::size_t limit) : limit_(limit) {}

    // Fail once the reply would hold more than the limit; Complete once it is whole.
    State add(std::string_view chunk);
    // The reply, from its status line to its end (the CR LF of a single line, or the final
    // CR LF "." CR LF).
    std::string& reply() { return reply_; }
    // What arrived after the reply.
    std::string take_rest() { return std::move(rest_); }
    bool ok() const { return ok_; }  // the status line began with "+OK"

private:
    std::size_t limit_;
    std::string reply_;
    std::string rest_;
    std::size_t searched_ = 0;
    bool status_read_ = false;
    bool ok_ = false;
};

}  // namespace velmo
