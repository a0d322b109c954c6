#include "pop3_mailbox_replies.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace halvex::bench {

namespace {

constexpr std::string_view kEnd = ".\r\n";

bool parse_number(std::string_view text, std::size_t& value) {
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

std::string ok(std::string_view text) { return text.empty() ? "+OK\r\n" : "+OK " + std::string(text) + "\r\n"; }
std::string err(std::string_view text) { return "-ERR " + std::string(text) + "\r\n"; }

}  // namespace

StoredMessage store_message(std::string_view text, std::string uid) {
    StoredMessage m{{}, 0, 0, std::move(uid)};
    m.wire.reserve(text.size() + text.size() / 32 + 2);
    bool line_start = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;  // the '\n' writes "\r\n"
        if (line_start && c == '.') m.wire += '.';
        if (c == '\n') {
            m.wire += "\r\n";
            m.octets += 2;
            // The first empty line ends the header.
            if (m.header_bytes == 0 && line_start) m.header_bytes = m.wire.size();
            line_start = true;
            continue;
        }
        m.wire += c;
        ++m.octets;
        line_start = false;
    }
    if (!line_start) {  // a last line without its end
        m.wire += "\r\n";
        m.octets += 2;
    }
    if (m.header_bytes == 0) {  // no body: the header is all, and TOP adds the blank line
        m.wire += "\r\n";
        m.octets += 2;
        m.header_bytes = m.wire.size();
    }
    return m;
}

Pop3MailboxReplies::Pop3MailboxReplies(std::vector<StoredMessage>& mailbox, std::string user, std::string password)
    : mailbox_(mailbox), deleted_(mailbox.size(), false), user_(std::move(user)), password_(std::move(password)) {}

std::string Pop3MailboxReplies::reply(std::string_view line) {
    std::size_t space = line.find(' ');
    std::string verb(line.substr(0, space));
    std::transform(verb.begin(), verb.end(), verb.begin(), [](unsigned char c) { return std::toupper(c); });
    std::string_view args = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);

    if (verb == "QUIT") {
        done_ = true;
        if (authorized_) {  // the update state: deletions take effect
            std::vector<StoredMessage> kept;
            for (std::size_t i = 0; i < mailbox_.size(); ++i)
                if (!deleted_[i]) kept.push_back(std::move(mailbox_[i]));
            mailbox_ = std::move(kept);
        }
        return ok("bye");
    }
    if (verb == "CAPA") return "+OK\r\nUSER\r\nTOP\r\nUIDL\r\n.\r\n";
    if (!authorized_) {
        if (verb == "USER") {
            user_given_ = args == user_;
            return user_given_ ? ok("send PASS") : err("no such user");
        }
        if (verb == "PASS") {
            if (!user_given_ || args != password_) return err("authentication failed");
            authorized_ = true;
            return ok("logged in");
        }
        return err("log in first");
    }
    return transaction(verb, args);
}

const StoredMessage* Pop3MailboxReplies::message(std::string_view arg, std::size_t* index) const {
    std::size_t n = 0;
    if (!parse_number(arg, n) || n == 0 || n > mailbox_.size() || deleted_[n - 1]) return nullptr;
    if (index) *index = n - 1;
    return &mailbox_[n - 1];
}

std::string Pop3MailboxReplies::scan_listing(bool uids) const {
    std::string text = "+OK\r\n";
    for (std::size_t i = 0; i < mailbox_.size(); ++i) {
        if (deleted_[i]) continue;
        text += std::to_string(i + 1) + ' ';
        text += uids ? mailbox_[i].uid : std::to_string(mailbox_[i].octets);
        text += "\r\n";
    }
    return text += kEnd;
}

std::string Pop3MailboxReplies::transaction(std::string_view verb, std::string_view args) {
    if (verb == "NOOP") return ok("");
    if (verb == "STAT") {
        std::size_t count = 0, octets = 0;
        for (std::size_t i = 0; i < mailbox_.size(); ++i)
            if (!deleted_[i]) ++count, octets += mailbox_[i].octets;
        return ok(std::to_string(count) + ' ' + std::to_string(octets));
    }
    if (verb == "RSET") {
        std::fill(deleted_.begin(), deleted_.end(), false);
        return ok("");
    }
    if (verb == "LIST" || verb == "UIDL") {
        const bool uids = verb == "UIDL";
        if (args.empty()) return scan_listing(uids);
        std::size_t i = 0;
        const StoredMessage* m = message(args, &i);
        if (!m) return err("no such message");
        return ok(std::to_string(i + 1) + ' ' + (uids ? m->uid : std::to_string(m->octets)));
    }
    if (verb == "DELE") {
        std::size_t i = 0;
        if (!message(args, &i)) return err("no such message");
        deleted_[i] = true;
        return ok("deleted");
    }
    if (verb == "RETR") {
        const StoredMessage* m = message(args);
        if (!m) return err("no such message");
        std::string text = ok(std::to_string(m->octets) + " octets");
        text.reserve(text.size() + m->wire.size() + kEnd.size());
        return (text += m->wire) += kEnd;
    }
    if (verb == "TOP") {
        std::size_t space = args.find(' ');
        std::size_t lines = 0;
        const StoredMessage* m = space == std::string_view::npos ? nullptr : message(args.substr(0, space));
        if (!m || !parse_number(args.substr(space + 1), lines)) return err("no such message");
        std::size_t end = m->header_bytes;
        for (; lines > 0 && end < m->wire.size(); --lines) end = m->wire.find("\r\n", end) + 2;
        std::string text = "+OK\r\n";
        text.reserve(text.size() + end + kEnd.size());
        return (text.append(m->wire, 0, end)) += kEnd;
    }
    return err("unknown command");
}

}  // namespace halvex::bench
