#include "pop3/pop3_session.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <utility>

#include "pop3/reply_numbers.h"
#include "pop3/reply_reader.h"
#include "pop3/server_address.h"
#include "pop3/socket.h"
#include "store/deferred_sync.h"

namespace velmo {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kMultiLineEnd = "\r\n.\r\n";

bool starts_with_ok(std::string_view reply, bool match_case) {
    if (reply.size() < 3) return false;
    if (match_case) return reply.substr(0, 3) == "+OK";
    return reply[0] == '+' && (reply[1] == 'O' || reply[1] == 'o') && (reply[2] == 'K' || reply[2] == 'k');
}

// The lines of a multi-line reply after its status line, up to the terminating "." line.
// Each line comes without its LF (a CR before it stays).
template <class Fn>
void for_each_listing_line(std::string_view reply, Fn&& fn) {
    std::size_t pos = reply.find('\n');
    if (pos == std::string_view::npos) return;
    ++pos;
    while (pos < reply.size()) {
        std::size_t end = reply.find('\n', pos);
        if (end == std::string_view::npos) end = reply.size();
        std::string_view line = reply.substr(pos, end - pos);
        if (!line.empty() && line.front() == '.') return;
        if (!fn(line)) return;
        pos = end + 1;
    }
}

std::size_t listing_limit(std::uint64_t bytes) {
    return static_cast<std::size_t>(std::min<std::uint64_t>(bytes, ReplyReader::kNoLimit));
}

std::string command(std::string_view verb, std::int32_t n, std::string_view tail = {}) {
    std::string text(verb);
    text += ' ';
    text += std::to_string(n);
    text += tail;
    text += "\r\n";
    return text;
}

}  // namespace

Pop3Session::Pop3Session() : transport_(std::make_unique<Socket>()) {}

Pop3Session::Pop3Session(std::unique_ptr<Transport> transport) : transport_(std::move(transport)) {}

Pop3Session::~Pop3Session() = default;

std::string Pop3Session::log_file_name() const {
    std::lock_guard lock(log_mutex_);
    return log_file_name_;
}

void Pop3Session::set_log_file_name(std::string path) {
    std::lock_guard lock(log_mutex_);
    log_file_name_ = std::move(path);
}

void Pop3Session::WriteLog(std::string_view text) const {
    std::string path = log_file_name();
    if (path.empty() || path.find('\0') != std::string::npos) return;
    text = text.substr(0, text.find('\0'));
    // 0600: the log holds the password of every login in clear. A symlink in its place is not
    // followed, and a file that existed with wider rights is narrowed to 0600.
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ((st.st_mode & 07777) != 0600 && ::fchmod(fd, 0600) != 0)) {
        ::close(fd);
        return;
    }
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    ::close(fd);
}

void Pop3Session::BeginRequest() {
    ClearFailure();
    const std::uint64_t span = std::uint64_t(timeout_ms()) * kDeadlineFactor;
    deadline_ = Clock::now() + std::chrono::milliseconds(span);
    deadline_span_ms_ = span;
}

std::size_t Pop3Session::RetrieveLimit(std::int32_t n) const {
    const std::uint64_t cap = max_message_size();
    if (!list_loaded_ || n < 1 || static_cast<std::size_t>(n) > sizes_.size() ||
        !size_valid_[static_cast<std::size_t>(n) - 1])
        return static_cast<std::size_t>(cap);
    // Twice the listed size: a server that counts LF line ends lists less than it sends.
    const std::uint64_t listed = 2 * std::uint64_t(sizes_[static_cast<std::size_t>(n) - 1]) + kRetrieveMargin;
    return static_cast<std::size_t>(std::min(listed, cap));
}

void Pop3Session::ClearFailure() {
    std::lock_guard lock(failure_mutex_);
    failure_ = {};
}

bool Pop3Session::EndRequest(bool ok) {
    if (ok) ClearFailure();
    return ok;
}

FailureCause Pop3Session::last_failure() const {
    std::lock_guard lock(failure_mutex_);
    return failure_;
}

bool Pop3Session::SetFailure(FailureKind kind, std::string text) {
    if (quiet_) return false;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    std::lock_guard lock(failure_mutex_);
    failure_ = {kind, std::move(text)};
    return false;
}

bool Pop3Session::ServerSaid(std::string_view reply) {
    return SetFailure(FailureKind::ServerError, "the server answered: " + quote_reply(reply));
}

bool Pop3Session::SendRaw(std::string_view text) {
    // A listing that came with STAT answers only a List that follows it with nothing between:
    // a later STAT may count otherwise, a DELE leaves its message out.
    listing_with_stat_ = false;
    WriteLog(text);
    if (transport_->send_once(text)) return true;
    return SetFailure(FailureKind::ConnectionLost, "sending to the server failed");
}

bool Pop3Session::SendCommand(std::string_view text) {
    if (!connected()) return SetFailure(FailureKind::NotConnected, "not connected");
    // No command may follow a DELE sent ahead while it still stands untaken.
    if (!SettleDeleteAhead()) return false;
    return SendRaw(text);
}

Pop3Session::ReadEnd Pop3Session::ReadChunks(const ChunkHandler& on_chunk) {
    // The replies to TOP commands sent ahead come first on the wire.
    if (!collecting_ && prefetch_.in_flight() && !CollectPrefetched()) return stream_end_;
    auto mark = Clock::now();
    // Until the reply is read to its end the stream is out of step with the commands.
    broken_ = true;
    auto broke = [this] {
        SetFailure(FailureKind::ConnectionLost, "the connection to the server broke");
        return ReadEnd::SocketError;
    };
    if (!carry_.empty()) {
        // Already received (and logged) together with the reply before this one.
        std::string chunk = std::move(carry_);
        carry_.clear();
        switch (on_chunk(chunk, chunk.size())) {
            case Chunk::More: break;
            case Chunk::Complete: broken_ = false; return ReadEnd::Complete;
            case Chunk::Fail: return ReadEnd::Failed;
        }
    }
    char buffer[kReceiveChunk];
    for (;;) {
        if (Interrupted()) {
            SetFailure(FailureKind::Stopped, "stopped by the client");
            return ReadEnd::Stopped;
        }
        const std::int64_t idle =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - mark).count();
        const std::int64_t limit = std::min(timeout_ms(), read_limit_ms_);
        if (idle > limit) {
            SetFailure(FailureKind::NoAnswer, "no answer within " + seconds_text(timeout_ms()));
            return ReadEnd::Timeout;
        }
        if (Clock::now() > deadline_) {
            SetFailure(FailureKind::Deadline, "no complete reply within " +
                                                  seconds_text(static_cast<std::uint32_t>(std::min<std::uint64_t>(
                                                      deadline_span_ms_, UINT32_MAX))) +
                                                  " (data still arriving)");
            return ReadEnd::Timeout;
        }
        const int wait = static_cast<int>(std::min<std::int64_t>(Transport::kMaxWaitMs, limit - idle + 1));
        switch (transport_->wait_readable(wait)) {
            case Transport::Ready::Error: return broke();
            case Transport::Ready::Nothing: continue;
            case Transport::Ready::Data: break;
        }
        const long received = transport_->receive(buffer, sizeof buffer);
        if (received < 0) return broke();
        if (received == 0) {
            SetFailure(FailureKind::ConnectionLost, "the server closed the connection");
            return ReadEnd::Closed;
        }
        // Bytes are kept whole: a NUL becomes a space, so nothing after it is lost.
        ReplyReader::clean_chunk(buffer, static_cast<std::size_t>(received));
        std::string_view chunk(buffer, static_cast<std::size_t>(received));
        mark = Clock::now();
        bytes_received_.fetch_add(static_cast<std::uint64_t>(received));
        WriteLog(chunk);
        switch (on_chunk(chunk, static_cast<std::size_t>(received))) {
            case Chunk::More: break;
            case Chunk::Complete: broken_ = false; return ReadEnd::Complete;
            case Chunk::Fail: return ReadEnd::Failed;
        }
    }
}

bool Pop3Session::ReadUntil(std::string_view terminator, std::size_t limit, std::string& reply,
                            std::string_view what) {
    ReplyReader reader(terminator, limit);
    return ReadReply(reader, limit, reply, what, OverCap::Fail);
}

bool Pop3Session::ReadReply(ReplyReader& reader, std::size_t limit, std::string& reply, std::string_view what,
                            OverCap over) {
    // Draining: the reply passed its cap; its bytes are dropped up to the multi-line end,
    // searched across chunk boundaries through the last few bytes kept in `tail`.
    bool draining = false;
    std::string tail;
    std::uint64_t drained = 0;
    auto drain = [&](std::string_view chunk) {
        tail.append(chunk);
        drained += chunk.size();
        if (tail.find(kMultiLineEnd) != std::string::npos) return Chunk::Complete;
        if (drained > kDrainCap) return Chunk::Fail;
        tail.erase(0, tail.size() > kMultiLineEnd.size() ? tail.size() - kMultiLineEnd.size() + 1 : 0);
        return Chunk::More;
    };
    auto end = ReadChunks([&](std::string_view chunk, std::size_t) {
        if (draining) return drain(chunk);
        switch (reader.add(chunk)) {
            case ReplyReader::State::More: return Chunk::More;
            case ReplyReader::State::Complete: return Chunk::Complete;
            case ReplyReader::State::Fail: break;
        }
        if (over != OverCap::Drain) return Chunk::Fail;
        // The terminator may already be in what arrived; the reply itself is let go.
        draining = true;
        std::string& held = reader.reply();
        const std::size_t keep = std::min(held.size(), chunk.size() + kMultiLineEnd.size());
        std::string last = held.substr(held.size() - keep);
        std::string().swap(held);
        return drain(last);
    });
    if (draining || end == ReadEnd::Failed) {
        SetFailure(FailureKind::ReplyTooLarge,
                   "reply too large: " + std::string(what) + " passed " + std::to_string(limit) + " bytes");
        // A cap that ends the session, or a drain that found no end: the stream is lost.
        if (over == OverCap::Close || (draining && end != ReadEnd::Complete)) CloseSession();
        return false;
    }
    reply = std::move(reader.reply());
    return end == ReadEnd::Complete;
}

bool Pop3Session::CheckOk(std::string* line) {
    std::string reply;
    if (!ReadSingleLine(reply)) return false;
    bool ok = starts_with_ok(reply, false);
    if (!ok) ServerSaid(reply);
    if (line) *line = std::move(reply);
    return ok;
}

bool Pop3Session::ReadMultiLine(std::size_t limit, std::string_view what, std::string& text) {
    std::string reply;
    ReplyReader reader = ReplyReader::multi_line(limit);
    if (!ReadReply(reader, limit, reply, what, OverCap::Close)) return false;
    if (!starts_with_ok(reply, false)) return ServerSaid(reply);
    return MultiLineText(reply, text);
}

bool Pop3Session::MultiLineText(std::string& reply, std::string& text) {
    if (!starts_with_ok(reply, false)) return false;
    std::size_t status_end = reply.find("\r\n");
    if (status_end == std::string::npos) return false;
    reply.erase(0, status_end + 2);
    // Less the final CR LF "." CR LF; no dot-unstuffing.
    reply.resize(reply.size() < kMultiLineEnd.size() ? 0 : reply.size() - kMultiLineEnd.size());
    text = std::move(reply);
    return true;
}

// A "pop3s://" server speaks TLS from the first byte: the handshake and the certificate check
// belong to opening the connection, so their failure fails the login like a refused connect.
bool Pop3Session::OpenConnection(const std::string& server, std::int32_t port) {
    endpoint_ = session_endpoint(server, port);
    upgraded_ = false;
    const SessionEndpoint& target = endpoint_;
    bool ok = transport_->connect(target.host, target.port, timeout_ms(), stop_) &&
              (!target.tls || transport_->start_tls(target.host, timeout_ms(), stop_));
    if (ok) return true;
    FailureCause why = transport_->failure();
    if (why.kind == FailureKind::None)
        why = {FailureKind::ConnectionRefused,
               "cannot connect to " + target.host + " port " + std::to_string(target.port)};
    return SetFailure(why.kind, std::move(why.text));
}

bool Pop3Session::IsOk(std::string_view reply) { return starts_with_ok(reply, false); }

bool Pop3Session::CloseSession() {
    deadline_ = Clock::time_point::max();  // QUIT has its own idle timeout, whatever came before
    bool ok = false;
    if (connected()) {
        // A DELE sent ahead and never taken is undone first; where that fails, no QUIT.
        const bool may_quit = !no_quit_ && (ahead_n_ == 0 || (!broken_ && UndoDeleteAhead()));
        // The server removes the messages marked by DELE at QUIT: copies saved unsynced before
        // their deletions must be on disk by then.
        const bool copies_safe = !may_quit || !dele_sent_ || !store::has_deferred() || store::sync_deferred();
        quiet_ = true;
        if (!may_quit) {
            // A connection that ends without QUIT removes nothing.
        } else if (copies_safe) {
            SendRaw("QUIT\r\n");
            // A stream out of step (a reply cut short by silence, a cap or a stop) would answer
            // QUIT with leftovers or not at all: its reply is not awaited.
            if (!broken_) ok = CheckOk();
        } else if (!broken_ && SendRaw("RSET\r\n") && CheckOk()) {
            SendRaw("QUIT\r\n");  // nothing is marked any more
            CheckOk();
        }
        // Otherwise no QUIT at all: a session that ends without one removes nothing.
        quiet_ = false;
        if (!copies_safe)
            SetFailure(FailureKind::Internal,
                       "the copies of the deleted messages could not be written to disk, so their deletions "
                       "were undone (RSET) and nothing was removed");
    }
    ForgetMarks();
    broken_ = false;
    connected_.store(false);
    ResetPipeline();
    list_loaded_ = stat_loaded_ = uidl_loaded_ = listing_with_stat_ = false;
    sizes_.clear();
    size_valid_.clear();
    unique_ids_.clear();
    uidl_count_ = 0;
    transport_->close();
    return ok;
}

bool Pop3Session::Stat(std::int32_t& count, std::int32_t& total_size) {
    // A server that pipelines gets LIST with the first STAT: the listing every scan asks for
    // next comes without a round trip of its own.
    const bool with_list = pipelining() && !list_loaded_;
    if (!SendCommand(with_list ? "STAT\r\nLIST\r\n" : "STAT\r\n")) return false;
    if (!with_list) return ReadStat(count, total_size, false);
    if (ReadStat(count, total_size, true)) {
        // The STAT stands whatever the LIST behind it met; a LIST that failed is asked again
        // when a size is wanted, and fails then with its own cause, as does a count too large.
        if (count < 0 || count > kMaxListedMessages) DiscardListing();
        else if (ReadListing(count)) listing_with_stat_ = true;
        else ClearFailure();
        return true;
    }
    const FailureCause why = last_failure();
    DiscardListing();
    return SetFailure(why.kind, why.text);
}

void Pop3Session::DiscardListing() {
    // Read all the same, so the next reply is the next command's.
    if (!broken_) ReadListing(kMaxListedMessages);
    ClearFailure();
    list_loaded_ = false;
    sizes_.clear();
    size_valid_.clear();
}

bool Pop3Session::ReadStat(std::int32_t& count, std::int32_t& total_size, bool keep_rest) {
    std::string reply;
    if (!(keep_rest ? ReadLineKeepingRest(reply) : ReadSingleLine(reply))) return false;
    if (reply.size() > kStatCap)
        return SetFailure(FailureKind::ReplyTooLarge, "reply too large: the STAT reply passed " +
                                                          std::to_string(kStatCap) + " bytes");
    if (!starts_with_ok(reply, true)) return ServerSaid(reply);
    // A count that is missing, signed or beyond 2^31 - 1 fails and is not stored.
    StatNumbers numbers = parse_stat_numbers(reply);
    auto unreadable = [&] {
        return SetFailure(FailureKind::BadReply, "the STAT reply holds no sound count and size: " + quote_reply(reply));
    };
    if (!numbers.count_read) return unreadable();
    count = numbers.count;
    message_count_.store(count);
    if (!numbers.ok) return unreadable();
    total_size = numbers.total_size;
    return true;
}

bool Pop3Session::EnsureStat(std::int32_t& n) {
    if (stat_loaded_) {
        n = message_count();
        return true;
    }
    std::int32_t total = 0;
    if (!Stat(n, total)) return false;
    stat_loaded_ = true;
    return true;
}

bool Pop3Session::List() {
    std::int32_t n = 0;
    if (!EnsureStat(n)) return false;
    if (std::exchange(listing_with_stat_, false)) return true;
    if (n < 0 || n > kMaxListedMessages) return TooMany(n);
    return SendCommand("LIST\r\n") && ReadListing(n);
}

bool Pop3Session::ReadListing(std::int32_t n) {
    n = std::clamp(n, 0, kMaxListedMessages);
    std::string reply;
    // 14 bytes a message and 100 more, in 64 bits; checked while the reply arrives.
    const std::size_t limit = listing_limit(14 * std::uint64_t(n) + 100);
    ReplyReader reader = ReplyReader::multi_line(limit);
    if (!ReadReply(reader, limit, reply, "the LIST reply", OverCap::Drain)) return false;
    if (!starts_with_ok(reply, false)) return ServerSaid(reply);
    sizes_.clear();
    size_valid_.clear();
    // Line i is message i (at most n lines). A line whose number or size is missing, signed
    // or out of range still takes its place, so later sizes stay with their messages, but
    // its size is never answered: a guessed size would be judged by the size rule.
    for_each_listing_line(reply, [&](std::string_view line) {
        if (sizes_.size() >= static_cast<std::size_t>(n)) return false;
        std::uint32_t size = 0;
        const bool valid = parse_list_line(line, n, size);
        sizes_.push_back(valid ? size : 0);
        size_valid_.push_back(valid);
        return true;
    });
    list_loaded_ = true;
    return true;
}

bool Pop3Session::Uidl() {
    std::int32_t n = 0;
    if (!EnsureStat(n)) return false;
    if (n < 0 || n > kMaxListedMessages) return TooMany(n);
    if (!SendCommand("UIDL\r\n")) return false;
    std::string reply;
    const std::size_t limit = listing_limit((std::uint64_t(n) + 1) * 100);
    ReplyReader reader = ReplyReader::multi_line(limit);
    if (!ReadReply(reader, limit, reply, "the UIDL reply", OverCap::Drain)) return false;
    if (!starts_with_ok(reply, false)) return ServerSaid(reply);
    unique_ids_.clear();
    // At most n lines; a line without a second token, and every line missing from the reply,
    // gives an empty id (the missing ones are answered by LookupUniqueId, not stored).
    for_each_listing_line(reply, [&](std::string_view line) {
        if (unique_ids_.size() >= static_cast<std::size_t>(std::max(n, 0))) return false;
        constexpr std::string_view kSpace = " \t\r";
        std::size_t first = line.find_first_not_of(kSpace);
        std::size_t gap = first == std::string_view::npos ? first : line.find_first_of(kSpace, first);
        std::size_t second = gap == std::string_view::npos ? gap : line.find_first_not_of(kSpace, gap);
        std::string id;
        if (second != std::string_view::npos) {
            std::size_t end = line.find_first_of(kSpace, second);
            id = std::string(line.substr(second, end == std::string_view::npos ? end : end - second));
        }
        unique_ids_.push_back(std::move(id));
        return true;
    });
    uidl_count_ = std::max(n, 0);
    uidl_loaded_ = true;
    return true;
}

bool Pop3Session::TooMany(std::int32_t n) {
    return SetFailure(FailureKind::BadReply, "the mailbox holds " + std::to_string(n) + " messages, more than " +
                                                 std::to_string(kMaxListedMessages) + " can be listed");
}

bool Pop3Session::LookupSize(std::int32_t n, std::uint32_t& size) {
    if (!list_loaded_ && !List()) return false;
    if (!Listed(n)) return false;
    if (!size_valid_[static_cast<std::size_t>(n) - 1])
        return SetFailure(FailureKind::BadReply, "the LIST line of message " + std::to_string(n) + " holds no sound size");
    size = sizes_[static_cast<std::size_t>(n) - 1];
    return true;
}

bool Pop3Session::Listed(std::int32_t n) {
    if (!list_loaded_ && !List()) return false;
    if (n >= 1 && static_cast<std::size_t>(n) <= sizes_.size()) return true;
    return SetFailure(FailureKind::Refused, "message " + std::to_string(n) + " is not in the listing of " +
                                                std::to_string(sizes_.size()) + " messages");
}

bool Pop3Session::LookupUniqueId(std::int32_t n, std::string& id) {
    if (!uidl_loaded_ && !Uidl()) return false;
    if (n < 1 || n > uidl_count_)
        return SetFailure(FailureKind::Refused, "message " + std::to_string(n) + " is not in the listing of " +
                                                    std::to_string(uidl_count_) + " messages");
    std::size_t index = static_cast<std::size_t>(n) - 1;
    id = index < unique_ids_.size() ? unique_ids_[index] : std::string();
    return true;
}

bool Pop3Session::Retr(std::int32_t n, std::string& text) {
    if (!Listed(n)) return false;
    if (!SendCommand(command("RETR", n))) return false;
    return ReadMultiLine(RetrieveLimit(n), "message " + std::to_string(n), text);
}

bool Pop3Session::Top(std::int32_t n, std::string& header) {
    if (!Listed(n)) return false;
    if (pipelining() || prefetch_.holds(n) || prefetch_.awaits(n)) return PipelinedTop(n, header);
    if (!SendCommand(command("TOP", n, " 0"))) return false;
    return ReadMultiLine(kHeaderCap, "the header of message " + std::to_string(n), header);
}

bool Pop3Session::Dele(std::int32_t n) {
    // The listing only serves later lookups: DELE does without it, and so does its cause.
    if (!list_loaded_ && !List()) ClearFailure();
    dele_sent_ = true;
    const bool ok = SendCommand(command("DELE", n)) && CheckOk();
    prefetch_.forget(n);  // a header fetched before the DELE no longer answers for n
    if (ok) marked_.push_back(n);
    return ok;
}

bool Pop3Session::Rset() {
    const bool ok = SendCommand("RSET\r\n") && CheckOk();
    if (ok) marked_.clear();
    prefetch_.forget_held();  // deleted messages are back: what was fetched meanwhile is stale
    return ok;
}

bool Pop3Session::Noop() { return SendCommand("NOOP\r\n") && CheckOk(); }

}  // namespace velmo
