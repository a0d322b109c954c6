// Pop3Session: one TCP connection to a POP3 server (RFC 1939 with APOP) and the operations
// the POPMAIN object runs on it, synchronously or from its worker thread.
//
// Lifecycle. The session is closed (connected() false, no socket) or connected. A login opens
// the TCP connection, sets `connected` before the greeting is read, and on any later failure
// returns to closed through CloseSession (which sends QUIT). CloseSession returns to closed from
// any state and clears the listing caches; message_count() survives it. A failed command after
// the login leaves the session connected. A server handed as "pop3s://host" (as
// parse_server_address gives it) is spoken to in TLS from the first byte; the handshake and
// the certificate check are part of opening the connection, so `connected` is set only after
// both passed, and their failure fails the login like a refused connect. The protocol log
// holds the plain text either way.
//
// The login (pop3_login.cpp, choices in login_plan.h). After the greeting and CAPA: a plain
// connection whose server lists STLS, and every "pop3+starttls://" one, sends STLS and upgrades
// with the same certificate and host-name checks as "pop3s://", then asks CAPA again, since the
// list may change under TLS. A refused STLS or a failed upgrade fails the login, never going on
// in plain text; a "pop3+starttls://" server whose CAPA leaves STLS out fails it before
// anything else is sent. Where CAPA lists UTF8 the session sends UTF8 (a refusal is no
// failure). Then the sign-in: with an access token (set_access_token) AUTH OAUTHBEARER where
// SASL lists it, else AUTH XOAUTH2; otherwise APOP when asked for, AUTH PLAIN where SASL lists
// PLAIN and USER is not offered, else USER and PASS. An AUTH response goes on a line of its own
// after the server's "+" continuation; a second "+" (the server's error report) gets the answer
// the mechanism asks for, so the server ends with its "-ERR".
//
// Replies. Every reply is read through ReadChunks: chunks of at most 8194 bytes, kept whole
// with each NUL byte turned into a space (in the log, the replies and every text result alike),
// logged as received; the idle timeout counts silence since the last chunk, and a request
// begun with BeginRequest also has an overall deadline of kDeadlineFactor times the timeout,
// so a server that trickles cannot hold it for ever. A single-line reply ends at CR LF and may
// hold at most 1000 bytes; a multi-line reply ends at "\r\n.\r\n" and is not dot-unstuffed,
// or ends at once after a status line other than "+OK" (a refused TOP, RETR, LIST or UIDL).
// Caps: a TOP reply holds at most kHeaderCap bytes, a RETR reply at most RetrieveLimit(n);
// past its cap the request fails and the session is closed. A LIST or UIDL reply past its cap
// is read to its end and dropped, so the next command does not read its leftovers. A stream
// left out of step (a reply cut short) gets QUIT without its reply being awaited. Everything the server sends is untrusted: a count,
// size or message number that is missing, signed or out of range fails what needs it; a
// listing is bounded by the STAT count, and a count above kMaxListedMessages fails LIST and
// UIDL without sending them.
//
// Capabilities and pipelining. Right after the greeting the session asks CAPA once (RFC 2449).
// A "-ERR", or no answer within kCapaWaitMs, means no capabilities, and the exchange goes on
// exactly as without the question. While the server lists PIPELINING and pipelining is allowed
// (the default), Top sends TOP for the messages after the one asked for, in a window that starts
// at a few dozen and grows while the scan goes on (see header_prefetch.h), all in one send, and
// answers later requests from what already arrived. Every other command joins the same
// ordered stream: before its reply is read, the replies to the TOP commands sent ahead of it
// are collected, so each reply is matched to its own command. A "-ERR" to a TOP sent ahead
// fails only the request for that message, when it is asked for; a read that fails (the server
// closed, the time ran out) fails the requests of every TOP still outstanding, and the session
// pipelines no more on that connection. DELE n drops a header held for n, RSET all held ones,
// so a later request asks the server again. Such a server also gets USER with PASS, and the
// first STAT with LIST, each pair in one send; a refused first command of a pair fails with its
// own answer, and the reply to the second is read all the same. Without PIPELINING every
// command waits for the reply to the one before.
//
// Threads. The session has no lock of its own: one thread drives it at a time. connected(),
// timeout_ms(), log_file_name() and message_count() may be read, and the timeout and log name
// set, from another thread while it runs. The stop predicate, when set, is polled at least every
// 250 ms while waiting on the network (connect and reads); once it answers true the wait fails,
// so a worker can abandon a silent server.
//
// Failure causes. Every failure records why (last_failure(), a kind and a line of text): the
// transport's own cause for a connection that could not be made, the server's -ERR line, the
// timeout that passed, the cap a reply broke, and so on. BeginRequest clears it, EndRequest of
// a request that succeeded clears it again, and the QUIT of CloseSession never records one.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "pop3/failure_cause.h"
#include "pop3/capabilities.h"
#include "pop3/header_prefetch.h"
#include "pop3/server_address.h"
#include "pop3/transport.h"

namespace velmo {

class ReplyReader;

class Pop3Session {
public:
    // How a chunk-wise read ended.
    enum class ReadEnd { Complete, Failed, Timeout, Closed, SocketError, Stopped };
    // What the reader's chunk handler answers after each chunk.
    enum class Chunk { More, Complete, Fail };
    // Gets the chunk as received (each NUL turned into a space) and its byte count.
    using ChunkHandler = std::function<Chunk(std::string_view chunk, std::size_t received)>;
    using StopPredicate = std::function<bool()>;

    static constexpr std::size_t kReceiveChunk = 8194;
    static constexpr std::size_t kSingleLineCap = 1000;
    static constexpr std::size_t kStatCap = 100;
    static constexpr std::size_t kCredentialMax = 100;
    static constexpr std::uint32_t kDefaultTimeoutMs = 30000;
    static constexpr std::int32_t kMaxListedMessages = 1000000;
    static constexpr std::size_t kHeaderCap = std::size_t(1) << 20;
    static constexpr std::uint32_t kDefaultMaxMessageSize = 256u << 20;
    static constexpr std::uint64_t kRetrieveMargin = 64u << 10;
    static constexpr std::uint64_t kDrainCap = std::uint64_t(kDefaultMaxMessageSize);
    static constexpr std::uint32_t kDeadlineFactor = 5;
    static constexpr std::uint32_t kCapaWaitMs = 5000;  // capped by the timeout

    Pop3Session();  // over a Socket
    // Over the given stream instead, e.g. a scripted one standing in for a server.
    explicit Pop3Session(std::unique_ptr<Transport> transport);
    ~Pop3Session();  // closes the socket without QUIT; the owner runs CloseSession first
    Pop3Session(const Pop3Session&) = delete;
    Pop3Session& operator=(const Pop3Session&) = delete;

    // Logins: true on success. The port's low 16 bits are used.
    bool LoginUserPass(const std::string& server, const std::string& user,
                       const std::string& password, std::int32_t port);
    bool LoginApop(const std::string& server, const std::string& user,
                   const std::string& password, std::int32_t port);
    // Sends QUIT when connected; returns its outcome. Always ends closed.
    bool CloseSession();

    bool Stat(std::int32_t& count, std::int32_t& total_size);
    bool List();  // fills sizes() from LIST (STAT first, once per connection)
    bool Uidl();  // fills unique_ids() from UIDL (STAT first, once per connection)
    bool LookupSize(std::int32_t n, std::uint32_t& size);
    bool LookupUniqueId(std::int32_t n, std::string& id);
    bool Retr(std::int32_t n, std::string& text);   // message text, status line and final CR LF dropped
    bool Top(std::int32_t n, std::string& header);  // header lines each with CR LF, no blank line
    bool Dele(std::int32_t n);
    // RETR n with the reply as read, its final CR LF "." CR LF cut off and the status line kept
    // (the text OnRetrieved brings).
    bool RetrReply(std::int32_t n, std::string& reply);
    // DELE n, asking "UIDL n" first (sent with it where the server pipelines) when the server
    // listed UIDL in its CAPA answer, or the id from the UIDL listing when it is loaded. `id`
    // stays empty when the server gave none; a "-ERR" to UIDL records no failure. The outcome
    // is DELE's.
    bool DeleAskingId(std::int32_t n, std::string& id);
    bool Rset();
    bool Noop();

    // Delete ahead (IPOPRAW DeleteAhead). The commands to send right after "RETR n": "DELE n",
    // after "UIDL n" when ask_id and the server lists UIDL; their replies are then outstanding.
    // Reads the listing first when it is not loaded; empty when that ended the session.
    std::string DeleteAheadCommands(std::int32_t n, bool ask_id);
    // Bytes read past a reply: the start of the replies after it.
    void PutBack(std::string rest) { carry_ = std::move(rest); }
    bool DeletingAhead(std::int32_t n) const { return ahead_n_ != 0 && ahead_n_ == n; }
    // Delete(n) with its DELE already sent: reads the outstanding replies; as DeleAskingId.
    bool TakeDeleteAhead(std::int32_t n, std::string& id);
    // Undoes an outstanding DELE sent ahead (RSET, then DELE again for the messages this
    // connection deleted); true when none was outstanding or the undo succeeded. A failed undo
    // leaves the marks in doubt: the session then ends without QUIT.
    bool SettleDeleteAhead();

    // Appends text (up to its first NUL) to the protocol log, if one is named. The file is
    // opened and closed per entry and created with mode 0600; failures are ignored.
    void WriteLog(std::string_view text) const;

    // Low-level pieces for the worker.
    // Logs the command as it is and sends it with one send call; no `connected` check.
    bool SendRaw(std::string_view command);
    // Reads chunks until the handler answers Complete or Fail, or the read ends otherwise.
    // Each chunk is logged before the handler sees it; the idle timeout restarts per chunk.
    ReadEnd ReadChunks(const ChunkHandler& on_chunk);

    void set_stop_predicate(StopPredicate stop) { stop_ = std::move(stop); }

    // Requests, for the failure cause: BeginRequest clears it; EndRequest(ok) clears it when
    // the request succeeded after all, and returns ok.
    void BeginRequest();
    bool EndRequest(bool ok);
    void ClearFailure();
    // The cause of the last failure; may be read from any thread.
    FailureCause last_failure() const;
    // Records a cause found outside the session's own operations (control characters in the
    // text become '?'). Returns false, for `return SetFailure(...)`.
    bool SetFailure(FailureKind kind, std::string text);

    // The most a RETR reply may hold: twice the listed size plus kRetrieveMargin when this
    // connection's listing has the message, never more than max_message_size().
    std::size_t RetrieveLimit(std::int32_t n) const;
    std::uint32_t max_message_size() const { return max_message_size_.load(); }
    void set_max_message_size(std::uint32_t bytes) { max_message_size_.store(bytes); }
    // Bytes received on this session so far, every connection counted; any thread.
    std::uint64_t bytes_received() const { return bytes_received_.load(); }
    // What the server listed in answer to CAPA at the last login; for the driving thread.
    const Capabilities& capabilities() const { return capabilities_; }
    // Allows pipelined header scans where the server offers them (default on); any thread.
    void set_pipelining_allowed(bool allowed) { pipelining_allowed_.store(allowed); }
    bool pipelining_allowed() const { return pipelining_allowed_.load(); }
    // Pipelined TOP is in use on this connection.
    bool pipelining() const;
    // The OAuth2 access token of the next login; empty for a password login. Set by the
    // thread that drives the session.
    void set_access_token(std::string token) { access_token_ = std::move(token); }
    // How the last successful login connected ("TLS", "STARTTLS" or "plain") and signed in
    // ("USER", "APOP", "AUTH PLAIN", "AUTH XOAUTH2", "AUTH OAUTHBEARER"); "" before any.
    // Any thread.
    std::string connection_kind() const;
    std::string sign_in_kind() const;
    // The server accepted UTF8 at the login of this connection; any thread.
    bool utf8() const;

    bool connected() const { return connected_.load(); }
    std::uint32_t timeout_ms() const { return timeout_ms_.load(); }
    void set_timeout_ms(std::uint32_t ms) { timeout_ms_.store(ms); }
    std::string log_file_name() const;
    void set_log_file_name(std::string path);
    std::int32_t message_count() const { return message_count_.load(); }

    const std::vector<std::uint32_t>& sizes() const { return sizes_; }
    // The ids of the UIDL lines present; LookupUniqueId answers "" for the rest of the count.
    const std::vector<std::string>& unique_ids() const { return unique_ids_; }
    bool list_loaded() const { return list_loaded_; }
    bool uidl_loaded() const { return uidl_loaded_; }

private:
    bool OpenConnection(const std::string& server, std::int32_t port);
    bool Greeting(std::string* line);
    bool SendCommand(std::string_view command);  // fails, sending nothing, while closed
    // Fails once the reply holds more than limit bytes.
    // `what` names the reply in the cause when it passes the limit.
    bool ReadUntil(std::string_view terminator, std::size_t limit, std::string& reply,
                   std::string_view what = "the reply");
    bool ReadSingleLine(std::string& reply) { return ReadUntil("\r\n", kSingleLineCap, reply); }
    bool Listed(std::int32_t n);  // n lies within this connection's LIST listing
    bool CheckOk(std::string* line = nullptr);
    // One single-line reply out of a pipelined stream; what follows it is kept for the next read.
    bool ReadLineKeepingRest(std::string& line);
    bool ServerSaid(std::string_view reply);  // records the server's refusal; false
    // What a reply past its cap does: fail (the session stays), drain the rest first, or close
    // the session.
    enum class OverCap { Fail, Drain, Close };
    bool ReadReply(ReplyReader& reader, std::size_t limit, std::string& reply, std::string_view what, OverCap over);
    bool ReadMultiLine(std::size_t limit, std::string_view what, std::string& text);
    bool EnsureStat(std::int32_t& n);
    bool LoginCommon(const std::string& server, std::int32_t port, std::string* greeting);
    // STLS and the upgrade, then CAPA again; false when any of it failed.
    bool StartTls();
    // UTF8; false only when the connection failed.
    bool SendUtf8();
    // The sign-in login_plan.h chooses (greeting: APOP asked for); on failure the session ends.
    bool SignIn(const std::string& user, const std::string& password, const std::string* greeting);
    // USER and PASS sent together, for a server that lists PIPELINING.
    bool SignInPipelined(const std::string& user, const std::string& password);
    // AUTH <mechanism>, then the response after the "+" continuation; `dummy` answers a
    // second "+" (the server's error report).
    bool Authenticate(std::string_view mechanism, const std::string& response, std::string_view dummy);
    static bool IsOk(std::string_view reply);  // "+OK", letter case ignored
    void set_kinds(std::string connection, std::string sign_in);
    bool Fail();  // CloseSession, then false: every failure inside a login ends the session
    bool Refuse(std::string_view field);  // a credential that cannot be sent; Fail()
    bool TooMany(std::int32_t n);  // a count too large to list; false
    bool Interrupted() const { return stop_ && stop_(); }
    // CAPA after the greeting; false when the connection failed meanwhile (the login fails).
    bool AskCapabilities();
    // Sends TOP for each of `numbers`, in one send, and notes them as on the wire.
    bool SendTops(const std::vector<std::int32_t>& numbers);
    bool PipelinedTop(std::int32_t n, std::string& header);
    // The replies to STAT and to LIST once sent. ReadListing stores the sizes of at most n
    // messages; DiscardListing reads a LIST reply that answers nothing (its STAT failed).
    // `keep_rest`: another reply may follow in the same chunk (LIST sent with the STAT).
    bool ReadStat(std::int32_t& count, std::int32_t& total_size, bool keep_rest);
    bool ReadListing(std::int32_t n);
    void DiscardListing();
    // Reads the replies of every TOP sent ahead; false when a read failed (each outstanding
    // one then fails, and the end is stored in stream_end_).
    bool CollectPrefetched();
    bool ReadNextPrefetched();  // the reply to the oldest TOP sent ahead
    // A multi-line reply's text: status line and final CR LF "." CR LF dropped; false unless
    // the status is "+OK".
    static bool MultiLineText(std::string& reply, std::string& text);
    void ResetPipeline();
    bool UndoDeleteAhead();
    // The replies to "UIDL n" (when id_asked) and "DELE n" sent together; the outcome is DELE's.
    bool ReadDeleReplies(std::int32_t n, bool id_asked, std::string& id);
    void ForgetMarks() {
        dele_sent_ = false;
        marked_.clear();
        ahead_n_ = 0;
        no_quit_ = false;
    }

    std::unique_ptr<Transport> transport_;
    std::atomic<std::int32_t> message_count_{0};
    bool list_loaded_ = false;
    bool listing_with_stat_ = false;  // the listing came with the last command sent, a STAT
    bool stat_loaded_ = false;
    bool uidl_loaded_ = false;
    std::vector<std::uint32_t> sizes_;
    std::vector<bool> size_valid_;  // per entry of sizes_: the LIST line held a sound size
    std::vector<std::string> unique_ids_;  // the ids the UIDL reply held, at most uidl_count_
    std::int32_t uidl_count_ = 0;          // the STAT count the UIDL listing answers for
    std::atomic<bool> connected_{false};
    mutable std::mutex log_mutex_;
    std::string log_file_name_;
    std::atomic<std::uint32_t> timeout_ms_{kDefaultTimeoutMs};
    StopPredicate stop_;
    mutable std::mutex failure_mutex_;
    FailureCause failure_;
    bool quiet_ = false;  // inside CloseSession: its QUIT records no cause
    bool broken_ = false;  // the last reply was cut short: the stream is out of step
    bool dele_sent_ = false;  // this connection sent DELE: its QUIT waits for deferred copies
    std::vector<std::int32_t> marked_;  // messages this connection's DELE marked, in order
    std::int32_t ahead_n_ = 0;          // the message whose DELE went ahead, replies unread
    bool ahead_uidl_ = false;           // a "UIDL n" went ahead of it
    bool no_quit_ = false;              // the marks are in doubt: end without QUIT
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
    std::uint64_t deadline_span_ms_ = 0;
    std::atomic<std::uint32_t> max_message_size_{kDefaultMaxMessageSize};
    std::atomic<std::uint64_t> bytes_received_{0};
    Capabilities capabilities_;
    std::atomic<bool> pipelining_allowed_{true};
    HeaderPrefetch prefetch_;
    std::string carry_;            // received bytes of replies not read yet (while pipelining)
    bool collecting_ = false;      // CollectPrefetched is reading
    bool stream_broken_ = false;   // a pipelined read failed: no more pipelining on this connection
    ReadEnd stream_end_ = ReadEnd::Complete;
    bool server_pipelines_ = false;  // the last CAPA listed PIPELINING
    std::uint32_t read_limit_ms_ = UINT32_MAX;  // a shorter idle limit for one read (CAPA)
    SessionEndpoint endpoint_;  // of the connection that stands
    bool upgraded_ = false;     // STLS succeeded on this connection
    std::string access_token_;
    std::atomic<bool> utf8_{false};
    mutable std::mutex kinds_mutex_;
    std::string connection_kind_, sign_in_kind_;
};

}  // namespace velmo
