// ReplyReader: collects one POP3 reply from the chunks a socket delivers and says when it is
// complete. Received bytes are kept whole; a NUL byte becomes a space (clean_chunk), so a NUL
// in a header neither hides the terminator behind it nor cuts a text result short. The byte
// limit is checked as each chunk arrives, so an oversized reply fails without being held.
// A multi-line reader also ends the reply at the end of its status line when that line is not
// "+OK" (letter case ignored): a refused TOP, RETR, LIST or UIDL has no body to wait for.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace velmo {

class ReplyReader {
public:
    enum class State { More, Complete, Fail };
    static constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

    enum class Form { Plain, MultiLine };

    ReplyReader(std::string_view terminator, std::size_t limit, Form form = Form::Plain)
        : terminator_(terminator), limit_(limit), status_pending_(form == Form::MultiLine) {}
    // A multi-line reply: ends at "\r\n.\r\n", or after a refusing status line.
    static ReplyReader multi_line(std::size_t limit) { return ReplyReader("\r\n.\r\n", limit, Form::MultiLine); }

    // Appends a chunk; Fail once the reply holds more than the limit (even with the
    // terminator in it), Complete once the terminator occurs anywhere in the reply (or, for a
    // multi-line reader, once a status line other than "+OK" is whole); the reply then ends
    // with the terminator (or the status line's CR LF), anything after it dropped.
    State add(std::string_view chunk);
    std::string& reply() { return reply_; }

    // Replaces every NUL of a received chunk by a space, in place.
    static void clean_chunk(char* data, std::size_t size);

private:
    std::string_view terminator_;
    std::size_t limit_;
    std::string reply_;
    std::size_t searched_ = 0;
    bool status_pending_;  // a multi-line reader that has not seen its whole status line
};

}  // namespace velmo
