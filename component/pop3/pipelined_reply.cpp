#include "pop3/pipelined_reply.h"

#include <algorithm>

namespace velmo {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kMultiLineEnd = "\r\n.\r\n";

bool begins_ok(std::string_view line) {
    return line.size() >= 3 && line[0] == '+' && (line[1] == 'O' || line[1] == 'o') && (line[2] == 'K' || line[2] == 'k');
}

}  // namespace

PipelinedReply::State PipelinedReply::add(std::string_view chunk) {
    reply_.append(chunk);
    std::size_t end = std::string::npos;
    if (!status_read_) {
        const std::size_t from = searched_ > 0 ? searched_ - 1 : 0;
        const std::size_t line_end = reply_.find(kLineEnd, from);
        if (line_end != std::string::npos) {
            status_read_ = true;
            ok_ = begins_ok(reply_);
            // The status line's own CR LF may open the terminator: "+OK\r\n.\r\n" is empty.
            searched_ = line_end;
            if (!ok_) end = line_end + kLineEnd.size();
        }
    }
    if (status_read_ && ok_) {
        const std::size_t found = reply_.find(kMultiLineEnd, searched_);
        if (found != std::string::npos) end = found + kMultiLineEnd.size();
    }
    if (end != std::string::npos) {
        if (end > limit_) return State::Fail;
        rest_ = reply_.substr(end);
        reply_.resize(end);
        return State::Complete;
    }
    if (reply_.size() > limit_) return State::Fail;
    // Earlier bytes cannot hold the terminator any more; search again just before the new ones.
    if (status_read_) {
        const std::size_t back = kMultiLineEnd.size() - 1;
        searched_ = std::max(searched_, reply_.size() >= back ? reply_.size() - back : 0);
    } else {
        searched_ = reply_.size();
    }
    return State::More;
}

}  // namespace velmo
