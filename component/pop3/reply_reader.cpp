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
    if (reply_.find(terminator_, from) != std::string::npos) return State::Complete;
    searched_ = reply_.size();
    return State::More;
}

void ReplyReader::clean_chunk(char* data, std::size_t size) { std::replace(data, data + size, '\0', ' '); }

}  // namespace velmo
