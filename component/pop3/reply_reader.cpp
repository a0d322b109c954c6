#include "pop3/reply_reader.h"

#include <algorithm>

namespace velmo {

ReplyReader::State ReplyReader::add(std::string_view chunk) {
    reply_.append(chunk);
    if (reply_.size() > limit_) return State::Fail;
    // What was searched before cannot hold the terminator, so each chunk is searched from
    // just before its start, which keeps long replies linear.
    const std::size_t back = terminator_.size() - 1;
    const std::size_t from = searched_ >= back ? searched_ - back : 0;
    const std::size_t found = reply_.find(terminator_, from);
    if (found != std::string::npos) {
        // Bytes the server sent past the terminator belong to no reply: dropped.
        reply_.resize(found + terminator_.size());
        return State::Complete;
    }
    searched_ = reply_.size();
    return State::More;
}

void ReplyReader::clean_chunk(char* data, std::size_t size) { std::replace(data, data + size, '\0', ' '); }

}  // namespace velmo
