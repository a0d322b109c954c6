#include "pop3/pop3_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>

#include "pop3/md5.h"
#include "pop3/reply_numbers.h"
#include "pop3/reply_reader.h"
#include "pop3/server_address.h"
#include "pop3/socket.h"

namespace velmo {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kMultiLineEnd = "\r\n.\r\n";

bool starts_with_ok(std::string_view reply, bool match_case) {
    if (reply.size() < 3) return false;
    if (match_case) return reply.substr(0, 3) == "+OK";
    return reply[0] == '+' && (reply[1] == 'O' || reply[1] == 'o') && (reply[2] == 'K' || reply[2] == 'k');
}

// A credential goes into a command line as it is: one that could end the line early, or that
// exceeds the protocol's field, is refused before anything of it is sent.
bool credential_fits(const std::string& text) {
    return text.size() <= Pop3Session::kCredentialMax && text.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
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
    // 0600: the log holds the password of every login in clear.
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    ::close(fd);
}

bool Pop3Session::SendRaw(std::string_view text) {
    WriteLog(text);
    return transport_->send_once(text);
}

bool Pop3Session::SendCommand(std::string_view text) {
    if (!connected()) return false;
    return SendRaw(text);
}

Pop3Session::ReadEnd Pop3Session::ReadChunks(const ChunkHandler& on_chunk) {
    char buffer[kReceiveChunk];
    auto mark = Clock::now();
    for (;;) {
        if (Interrupted()) return ReadEnd::Stopped;
        const std::int64_t idle =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - mark).count();
        const std::int64_t limit = timeout_ms();
        if (idle > limit) return ReadEnd::Timeout;
        const int wait = static_cast<int>(std::min<std::int64_t>(Transport::kMaxWaitMs, limit - idle + 1));
        switch (transport_->wait_readable(wait)) {
            case Transport::Ready::Error: return ReadEnd::SocketError;
            case Transport::Ready::Nothing: continue;
            case Transport::Ready::Data: break;
        }
        const long received = transport_->receive(buffer, sizeof buffer);
        if (received < 0) return ReadEnd::SocketError;
        if (received == 0) return ReadEnd::Closed;
        // Bytes are kept whole: a NUL becomes a space, so nothing after it is lost.
        ReplyReader::clean_chunk(buffer, static_cast<std::size_t>(received));
        std::string_view chunk(buffer, static_cast<std::size_t>(received));
        mark = Clock::now();
        WriteLog(chunk);
        switch (on_chunk(chunk, static_cast<std::size_t>(received))) {
            case Chunk::More: break;
            case Chunk::Complete: return ReadEnd::Complete;
            case Chunk::Fail: return ReadEnd::Failed;
        }
    }
}

bool Pop3Session::ReadUntil(std::string_view terminator, std::size_t limit, std::string& reply) {
    ReplyReader reader(terminator, limit);
    auto end = ReadChunks([&](std::string_view chunk, std::size_t) {
        switch (reader.add(chunk)) {
            case ReplyReader::State::More: return Chunk::More;
            case ReplyReader::State::Complete: return Chunk::Complete;
            case ReplyReader::State::Fail: break;
        }
        return Chunk::Fail;
    });
    reply = std::move(reader.reply());
    return end == ReadEnd::Complete;
}

bool Pop3Session::CheckOk(std::string* line) {
    std::string reply;
    if (!ReadSingleLine(reply)) return false;
    bool ok = starts_with_ok(reply, false);
    if (line) *line = std::move(reply);
    return ok;
}

bool Pop3Session::ReadMultiLine(std::string& text) {
    std::string reply;
    if (!ReadUntil(kMultiLineEnd, ReplyReader::kNoLimit, reply)) return false;
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
    SessionEndpoint target = session_endpoint(server, port);
    if (!transport_->connect(target.host, target.port, timeout_ms(), stop_)) return false;
    return !target.tls || transport_->start_tls(target.host, timeout_ms(), stop_);
}

bool Pop3Session::Fail() {
    CloseSession();
    return false;
}

bool Pop3Session::LoginCommon(const std::string& server, std::int32_t port, std::string* greeting) {
    if (connected()) CloseSession();
    if (!OpenConnection(server, port)) return false;
    connected_.store(true);
    if (!CheckOk(greeting)) return Fail();
    return true;
}

bool Pop3Session::LoginUserPass(const std::string& server, const std::string& user,
                                const std::string& password, std::int32_t port) {
    if (!LoginCommon(server, port, nullptr)) return false;
    if (!credential_fits(user)) return Fail();
    if (!SendCommand("USER " + user + "\r\n") || !CheckOk()) return Fail();
    if (!credential_fits(password)) return Fail();
    if (!SendCommand("PASS " + password + "\r\n") || !CheckOk()) return Fail();
    return true;
}

bool Pop3Session::LoginApop(const std::string& server, const std::string& user,
                            const std::string& password, std::int32_t port) {
    std::string greeting;
    if (!LoginCommon(server, port, &greeting)) return false;
    // The time stamp: from the first "<" up to and including the next ">". A greeting without
    // one offers no APOP; the digest of the bare password would be worthless.
    std::size_t open = greeting.find('<');
    std::size_t close = open == std::string::npos ? open : greeting.find('>', open);
    if (close == std::string::npos) return Fail();
    if (!credential_fits(user) || !credential_fits(password)) return Fail();
    std::string digest = md5_hex(greeting.substr(open, close - open + 1) + password);
    if (!SendCommand("APOP " + user + " " + digest + "\r\n") || !CheckOk()) return Fail();
    return true;
}

bool Pop3Session::CloseSession() {
    bool ok = false;
    if (connected()) {
        SendRaw("QUIT\r\n");
        ok = CheckOk();
    }
    connected_.store(false);
    list_loaded_ = stat_loaded_ = uidl_loaded_ = false;
    sizes_.clear();
    size_valid_.clear();
    unique_ids_.clear();
    uidl_count_ = 0;
    transport_->close();
    return ok;
}

bool Pop3Session::Stat(std::int32_t& count, std::int32_t& total_size) {
    if (!SendCommand("STAT\r\n")) return false;
    std::string reply;
    if (!ReadSingleLine(reply) || reply.size() > kStatCap) return false;
    if (!starts_with_ok(reply, true)) return false;
    // A count that is missing, signed or beyond 2^31 - 1 fails and is not stored.
    StatNumbers numbers = parse_stat_numbers(reply);
    if (!numbers.count_read) return false;
    count = numbers.count;
    message_count_.store(count);
    if (!numbers.ok) return false;
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
    if (!EnsureStat(n) || n < 0 || n > kMaxListedMessages) return false;
    if (!SendCommand("LIST\r\n")) return false;
    std::string reply;
    // 14 bytes a message and 100 more, in 64 bits; checked while the reply arrives.
    if (!ReadUntil(kMultiLineEnd, listing_limit(14 * std::uint64_t(n) + 100), reply)) return false;
    if (!starts_with_ok(reply, false)) return false;
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
    if (!EnsureStat(n) || n < 0 || n > kMaxListedMessages) return false;
    if (!SendCommand("UIDL\r\n")) return false;
    std::string reply;
    if (!ReadUntil(kMultiLineEnd, listing_limit((std::uint64_t(n) + 1) * 100), reply)) return false;
    if (!starts_with_ok(reply, false)) return false;
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

bool Pop3Session::LookupSize(std::int32_t n, std::uint32_t& size) {
    if (!list_loaded_ && !List()) return false;
    if (!Listed(n) || !size_valid_[static_cast<std::size_t>(n) - 1]) return false;
    size = sizes_[static_cast<std::size_t>(n) - 1];
    return true;
}

bool Pop3Session::Listed(std::int32_t n) {
    if (!list_loaded_ && !List()) return false;
    return n >= 1 && static_cast<std::size_t>(n) <= sizes_.size();
}

bool Pop3Session::LookupUniqueId(std::int32_t n, std::string& id) {
    if (!uidl_loaded_ && !Uidl()) return false;
    if (n < 1 || n > uidl_count_) return false;
    std::size_t index = static_cast<std::size_t>(n) - 1;
    id = index < unique_ids_.size() ? unique_ids_[index] : std::string();
    return true;
}

bool Pop3Session::Retr(std::int32_t n, std::string& text) {
    if (!Listed(n)) return false;
    if (!SendCommand(command("RETR", n))) return false;
    return ReadMultiLine(text);
}

bool Pop3Session::Top(std::int32_t n, std::string& header) {
    if (!Listed(n)) return false;
    if (!SendCommand(command("TOP", n, " 0"))) return false;
    return ReadMultiLine(header);
}

bool Pop3Session::Dele(std::int32_t n) {
    if (!list_loaded_) List();
    return SendCommand(command("DELE", n)) && CheckOk();
}

bool Pop3Session::Rset() { return SendCommand("RSET\r\n") && CheckOk(); }

bool Pop3Session::Noop() { return SendCommand("NOOP\r\n") && CheckOk(); }

}  // namespace velmo
