#include "pop3/reply_reader.h"

#include <algorithm>

namespace velmo {

ReplyReader::State ReplyReader::add(std::string_view chunk) {
    reply_.append(chunk);
    if (reply_.size() > limit_) return State::Fail;
    if (status_pending_) {
        const std::size_t from = searched_ > 0 ? searched_ - 1 : 0;
        const std::size_t line_end = reply_.find("\r\n", from);
        if (line_end != std::string::npos) {
            status_pending_ = false;
            const bool ok = reply_.size() >= 3 && reply_[0] == '+' && (reply_[1] == 'O' || reply_[1] == 'o') &&
                            (reply_[2] == 'K' || reply_[2] == 'k');
            if (!ok) {
                reply_.resize(line_end + 2);
                return State::Complete;
            }
        }
    }
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
