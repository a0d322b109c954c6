// ReplyReader: collects one POP3 reply from the chunks a socket delivers and says when it is
// complete. Received bytes are kept whole; a NUL byte becomes a space (clean_chunk), so a NUL
// in a header neither hides the terminator behind it nor cuts a text result short. The byte
// limit is checked as each chunk arrives, so an oversized reply fails without being held.
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

    ReplyReader(std::string_view terminator, std::size_t limit) : terminator_(terminator), limit_(limit) {}

    // Appends a chunk; Fail once the reply holds more than the limit (even with the
    // terminator in it), Complete once the terminator occurs anywhere in the reply; the reply
    // then ends with the terminator, anything after it in the same chunk dropped.
    State add(std::string_view chunk);
    std::string& reply() { return reply_; }

    // Replaces every NUL of a received chunk by a space, in place.
    static void clean_chunk(char* data, std::size_t size);

private:
    std::string_view terminator_;
    std::size_t limit_;
    std::string reply_;
    std::size_t searched_ = 0;
};

}  // namespace velmo
