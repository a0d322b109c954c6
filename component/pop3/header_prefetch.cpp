#include "pop3/header_prefetch.h"

#include <algorithm>

namespace velmo {

std::vector<std::int32_t> HeaderPrefetch::plan(std::int32_t n, std::int32_t listed, bool ahead) const {
    std::vector<std::int32_t> out;
    if (!holds(n) && !awaits(n)) out.push_back(n);
    if (!ahead) return out;
    std::size_t busy = in_flight_.size() + held_.size() + out.size();
    std::int32_t next = std::max(highest_planned_, n) + 1;
    for (; next <= listed && busy < window_ && held_bytes_ < kMaxHeldBytes; ++next) {
        if (holds(next) || awaits(next)) continue;
        out.push_back(next);
        ++busy;
    }
    return out;
}

void HeaderPrefetch::sent(std::int32_t n) {
    in_flight_.push_back(n);
    highest_planned_ = std::max(highest_planned_, n);
}

bool HeaderPrefetch::awaits(std::int32_t n) const {
    return std::find(in_flight_.begin(), in_flight_.end(), n) != in_flight_.end();
}

void HeaderPrefetch::arrived(Reply reply) {
    const std::int32_t n = in_flight_.front();
    in_flight_.pop_front();
    forget(n);
    held_bytes_ += reply.text.size();
    held_.emplace(n, std::move(reply));
}

std::optional<HeaderPrefetch::Reply> HeaderPrefetch::take(std::int32_t n) {
    auto it = held_.find(n);
    if (it == held_.end()) return std::nullopt;
    Reply reply = std::move(it->second);
    held_bytes_ -= reply.text.size();
    held_.erase(it);
    window_ = std::min(kMaxWindow, window_ + 3);
    return reply;
}

void HeaderPrefetch::forget(std::int32_t n) {
    auto it = held_.find(n);
    if (it == held_.end()) return;
    held_bytes_ -= it->second.text.size();
    held_.erase(it);
}

void HeaderPrefetch::forget_held() {
    held_.clear();
    held_bytes_ = 0;
}

void HeaderPrefetch::reset() {
    in_flight_.clear();
    forget_held();
    highest_planned_ = 0;
    window_ = kWindow;
}

}  // namespace velmo
