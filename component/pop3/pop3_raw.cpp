// Pop3Session: the requests behind IPOPRAW, a retrieval that keeps the reply as read and a
// deletion that asks for the message's unique id first (see the session's header).
#include <algorithm>
#include <string_view>

#include "pop3/reply_reader.h"
#include "pop3/pop3_session.h"

namespace velmo {

namespace {

std::string numbered(std::string_view verb, std::int32_t n) {
    return std::string(verb) + ' ' + std::to_string(n) + "\r\n";
}

bool is_ok(std::string_view reply) {
    return reply.size() >= 3 && reply[0] == '+' && (reply[1] | 0x20) == 'o' && (reply[2] | 0x20) == 'k';
}

// The id in the reply "+OK n id" to "UIDL n": empty unless the reply is "+OK", names n and
// holds an id of 1 to 70 printable characters (RFC 1939).
std::string id_in_reply(std::string_view reply, std::int32_t n) {
    if (!is_ok(reply)) return {};
    constexpr std::string_view kSpace = " \t\r\n";
    auto token = [&](std::size_t& at) {
        const std::size_t begin = reply.find_first_not_of(kSpace, at);
        if (begin == std::string_view::npos) return std::string_view();
        const std::size_t end = std::min(reply.find_first_of(kSpace, begin), reply.size());
        at = end;
        return reply.substr(begin, end - begin);
    };
    std::size_t at = 3;
    if (token(at) != std::to_string(n)) return {};
    const std::string_view id = token(at);
    if (id.empty() || id.size() > 70) return {};
    for (const char c : id)
        if (c < 0x21 || c > 0x7E) return {};
    return std::string(id);
}

}  // namespace

bool Pop3Session::RetrReply(std::int32_t n, std::string& reply) {
    if (!Listed(n)) return false;
    if (!SendCommand(numbered("RETR", n))) return false;
    const std::size_t limit = RetrieveLimit(n);
    ReplyReader reader = ReplyReader::multi_line(limit);
    std::string whole;
    if (!ReadReply(reader, limit, whole, "message " + std::to_string(n), OverCap::Close)) return false;
    if (!is_ok(whole)) return ServerSaid(whole);
    whole.resize(whole.size() >= 5 ? whole.size() - 5 : 0);
    reply = std::move(whole);
    return true;
}

bool Pop3Session::ReadLineKeepingRest(std::string& line) {
    std::string got;
    bool too_long = false;
    const ReadEnd end = ReadChunks([&](std::string_view chunk, std::size_t) {
        const std::size_t from = got.empty() ? 0 : got.size() - 1;
        got.append(chunk);
        const std::size_t eol = got.find("\r\n", from);
        if (eol == std::string::npos) {
            too_long = got.size() > kSingleLineCap;
            return too_long ? Chunk::Fail : Chunk::More;
        }
        carry_ = got.substr(eol + 2);  // the start of the next reply
        got.resize(eol + 2);
        return Chunk::Complete;
    });
    if (too_long)
        SetFailure(FailureKind::ReplyTooLarge,
                   "reply too large: a single-line reply passed " + std::to_string(kSingleLineCap) + " bytes");
    if (end != ReadEnd::Complete) return false;
    line = std::move(got);
    return true;
}

bool Pop3Session::DeleAskingId(std::int32_t n, std::string& id) {
    id.clear();
    if (uidl_loaded_) {
        if (!LookupUniqueId(n, id)) id.clear();
        ClearFailure();
        return Dele(n);
    }
    if (!capabilities_.has("UIDL")) return Dele(n);  // a server that does not say it can
    std::string reply;
    if (!pipelining()) {
        if (!SendCommand(numbered("UIDL", n)) || !ReadSingleLine(reply)) return false;
        id = id_in_reply(reply, n);
        return Dele(n);
    }
    // As Dele: the listing only serves later lookups.
    if (!list_loaded_ && !List()) ClearFailure();
    dele_sent_ = true;
    if (!SendCommand(numbered("UIDL", n) + numbered("DELE", n))) return false;
    return ReadDeleReplies(n, true, id);
}

bool Pop3Session::ReadDeleReplies(std::int32_t n, bool id_asked, std::string& id) {
    std::string reply;
    bool ok = !id_asked || ReadLineKeepingRest(reply);
    if (ok && id_asked) id = id_in_reply(reply, n);
    ok = ok && CheckOk();
    prefetch_.forget(n);  // a header fetched before the DELE no longer answers for n
    if (ok) marked_.push_back(n);
    return ok;
}

std::string Pop3Session::DeleteAheadCommands(std::int32_t n, bool ask_id) {
    // As Dele: the listing is read before anything is marked, so no later count misses a marked one.
    if (!list_loaded_ && !List()) {
        if (!connected()) return {};  // the listing ended the session: nothing goes ahead
        ClearFailure();
    }
    ahead_n_ = n;
    ahead_uidl_ = ask_id && !uidl_loaded_ && capabilities_.has("UIDL");
    dele_sent_ = true;
    return (ahead_uidl_ ? numbered("UIDL", n) : std::string()) + numbered("DELE", n);
}

bool Pop3Session::TakeDeleteAhead(std::int32_t n, std::string& id) {
    id.clear();
    const bool asked = ahead_uidl_;
    ahead_n_ = 0;
    if (!asked && uidl_loaded_) {
        if (!LookupUniqueId(n, id)) id.clear();
        ClearFailure();
    }
    return ReadDeleReplies(n, asked, id);
}

bool Pop3Session::SettleDeleteAhead() { return ahead_n_ == 0 || UndoDeleteAhead(); }

bool Pop3Session::UndoDeleteAhead() {
    const std::int32_t n = ahead_n_;
    const bool asked = ahead_uidl_;
    ahead_n_ = 0;
    std::string reply;
    bool ok = (!asked || ReadLineKeepingRest(reply)) && ReadLineKeepingRest(reply);
    if (ok && !is_ok(reply)) return true;  // DELE n was refused: nothing to undo
    if (ok) {
        // RSET unmarks every message: those deleted before are marked again, a window at a time
        // so that neither side's buffers fill while the other waits.
        ok = SendRaw("RSET\r\n") && ReadLineKeepingRest(reply) && is_ok(reply);
        constexpr std::size_t kWindow = HeaderPrefetch::kWindow;
        for (std::size_t from = 0; ok && from < marked_.size(); from += kWindow) {
            const std::size_t to = std::min(marked_.size(), from + kWindow);
            std::string commands;
            for (std::size_t i = from; i < to; ++i) commands += numbered("DELE", marked_[i]);
            ok = SendRaw(commands);
            for (std::size_t i = from; ok && i < to; ++i) ok = ReadLineKeepingRest(reply) && is_ok(reply);
        }
    }
    if (!ok) {
        no_quit_ = true;
        SetFailure(FailureKind::ServerError, "the deletion of message " + std::to_string(n) +
                                                 " sent ahead could not be undone, so the session ended "
                                                 "without QUIT and the server removes none of its messages");
        quiet_ = true;  // the cause above stays
        CloseSession();
        quiet_ = false;
    }
    return ok;
}

}  // namespace velmo
