#include "pop3/kept_message.h"

#include <cstring>

namespace velmo {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Where the message's first line begins: after the status line's LF.
std::size_t first_line(std::string_view text) {
    const std::size_t end = text.find('\n');
    return end == kNone ? kNone : end + 1;
}

// Calls fn(begin, length) for each piece of the message body between the stuffing dots.
template <class Fn>
void for_each_piece(std::string_view text, std::size_t from, Fn&& fn) {
    std::size_t line = from;
    while (line < text.size()) {
        const char* nl = static_cast<const char*>(std::memchr(text.data() + line, '\n', text.size() - line));
        const std::size_t end = nl ? static_cast<std::size_t>(nl - text.data()) + 1 : text.size();
        const std::size_t skip = text[line] == '.' ? 1 : 0;
        fn(line + skip, end - line - skip);
        line = end;
    }
}

}  // namespace

std::size_t retrieved_message_size(std::string_view text) {
    const std::size_t from = first_line(text);
    if (from == kNone) return 0;
    std::size_t size = 2;  // the last line's CR LF
    for_each_piece(text, from, [&](std::size_t, std::size_t length) { size += length; });
    return size;
}

void copy_retrieved_message(std::string_view text, char* out) {
    const std::size_t from = first_line(text);
    if (from == kNone) return;
    for_each_piece(text, from, [&](std::size_t begin, std::size_t length) {
        std::memcpy(out, text.data() + begin, length);
        out += length;
    });
    std::memcpy(out, "\r\n", 2);
}

void KeptMessage::keep_retrieved(std::int32_t n, Text text) {
    const std::size_t size = text ? retrieved_message_size(*text) : 0;
    std::lock_guard lock(mutex_);
    retrieved_msg_ = text ? n : 0;
    text_ = std::move(text);
    size_ = size;
}

std::int32_t KeptMessage::retrieved_msg() const {
    std::lock_guard lock(mutex_);
    return retrieved_msg_;
}

std::size_t KeptMessage::retrieved_size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

bool KeptMessage::copy_retrieved(char* out, std::size_t room, std::size_t& copied) const {
    copied = 0;
    Text text;
    {
        std::lock_guard lock(mutex_);
        if (!text_ || room < size_) return false;
        text = text_;
        copied = size_;
    }
    copy_retrieved_message(*text, out);
    return true;
}

void KeptMessage::forget_retrieved() {
    Text gone;  // freed outside the lock
    std::lock_guard lock(mutex_);
    gone = std::move(text_);
    retrieved_msg_ = 0;
    size_ = 0;
}

void KeptMessage::set_unique_id(std::int32_t n, std::string id) {
    std::lock_guard lock(mutex_);
    id_msg_ = n;
    id_ = std::move(id);
}

std::optional<std::string> KeptMessage::unique_id(std::int32_t n) const {
    std::lock_guard lock(mutex_);
    if (n == 0 || n != id_msg_ || id_.empty()) return std::nullopt;
    return id_;
}

void KeptMessage::reset() {
    forget_retrieved();
    set_unique_id(0, {});
    set_quit_confirmed(false);
}

}  // namespace velmo
