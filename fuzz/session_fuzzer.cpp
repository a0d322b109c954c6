// The POP3 session under libFuzzer, over a scripted byte stream instead of a socket. The
// input is a list of operations up to the first LF, then the server's byte stream (see
// script_transport.h for its control bytes). Operations, each letter optionally followed by a
// message number (digits, maybe signed; 1 when absent):
//   U login USER/PASS   V the same to a "pop3s://" server   A login APOP
//   W login to a "pop3+starttls://" server   O login with an access token (OAuth2)
//   S STAT  L LIST  I UIDL  z size of n  u unique id of n  T TOP n  R RETR n
//   D DELE n  E RSET  N NOOP  Q close  P pipelining allowed (n = 1) or not (any other n)
//   a RETR n with UIDL n and DELE n sent ahead, where the session pipelines (as the worker
//   sends them before a copy is kept)  d Delete n: the replies sent ahead, or UIDL n and DELE n
// Checked after every operation: each command sent is one line the session composed (known
// verb, one CR LF at its end, nothing from the server in it), nothing is sent while closed,
// text results hold no NUL and no terminator, and numbers answered lie in the listing. When
// the server lists PIPELINING, TOP goes ahead of the requests: every TOP names a listed
// message, and no more TOP commands are outstanding than the window allows.
// Seeds end each reply with 0xFF: a reply read on its own drops whatever else its chunk holds
// (a server talking out of turn), so replies sharing a chunk belong to commands sent together.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pop3/header_prefetch.h"
#include "pop3/pipelined_reply.h"
#include "pop3/pop3_session.h"
#include "script_transport.h"

namespace {

using halvex_fuzz::ScriptTransport;
using velmo::Pop3Session;

constexpr std::size_t kMaxOperations = 48;
constexpr std::string_view kEnd = "\r\n.\r\n";

// Names the broken expectation before aborting, so a crash file explains itself.
#define check(condition) check_at((condition), #condition, __LINE__)
void check_at(bool condition, const char* what, int line) {
    if (condition) return;
    std::fprintf(stderr, "session_fuzzer.cpp:%d: expected %s\n", line, what);
    std::abort();
}

bool has_number_argument(std::string_view verb) {
    return verb == "RETR" || verb == "TOP" || verb == "DELE";
}

// A SASL response line: base64 (maybe empty, the answer to an error report) or "*".
bool sasl_response(std::string_view body) {
    if (body == "*") return true;
    if (body.size() % 4 != 0) return false;
    return body.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=") ==
           std::string_view::npos;
}

// A command the session may send: a known verb, arguments of its own making, one CR LF.
void check_command(std::string_view line) {
    check(line.size() >= 2 && line.substr(line.size() - 2) == "\r\n");
    std::string_view body = line.substr(0, line.size() - 2);
    check(body.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos);
    if (sasl_response(body)) return;
    check(line.size() >= 6);
    std::string_view verb = body.substr(0, body.find(' '));
    static constexpr std::string_view kVerbs[] = {"USER", "PASS", "APOP", "STAT", "LIST", "UIDL", "RETR", "TOP",
                                                  "DELE", "RSET", "NOOP", "QUIT", "CAPA", "STLS", "UTF8", "AUTH"};
    if (verb == "CAPA" || verb == "STLS" || verb == "UTF8") check(body == verb);
    if (verb == "AUTH") check(body == "AUTH PLAIN" || body == "AUTH XOAUTH2" || body == "AUTH OAUTHBEARER");
    check(std::find(std::begin(kVerbs), std::end(kVerbs), verb) != std::end(kVerbs));
    if (verb == "USER") check(body == "USER fuzz");
    if (verb == "PASS") check(body == "PASS secret");
    if (verb == "APOP") check(body.size() == 5 + 5 + 32);  // user, space, 32 hex digits
    if (has_number_argument(verb)) {
        std::string_view rest = body.substr(verb.size());
        check(rest.size() >= 2 && rest[0] == ' ');
    }
}

void check_text(std::string_view text) {
    check(text.find('\0') == std::string_view::npos);
    check(text.find(kEnd) == std::string_view::npos);
}

// One send may carry several commands (pipelined ones go out together): each ends at its CR LF,
// and whatever follows the last one is checked as a line of its own.
void split_commands(std::string_view sent, std::vector<std::string>& lines) {
    while (!sent.empty()) {
        const std::size_t end = sent.find("\r\n");
        const std::size_t length = end == std::string_view::npos ? sent.size() : end + 2;
        lines.emplace_back(sent.substr(0, length));
        sent.remove_prefix(length);
    }
}

// RETR n with UIDL n and DELE n behind it, its reply read as the worker reads it.
bool retrieve_deleting_ahead(Pop3Session& session, std::int32_t n) {
    std::string text;
    if (!session.connected() || !session.pipelining()) return session.Retr(n, text);
    if (!session.SettleDeleteAhead()) return false;
    const std::string commands = "RETR " + std::to_string(n) + "\r\n" + session.DeleteAheadCommands(n, true);
    if (!session.connected() || !session.SendRaw(commands)) return false;
    velmo::PipelinedReply reader(session.RetrieveLimit(n));
    const auto end = session.ReadChunks([&](std::string_view chunk, std::size_t) {
        switch (reader.add(chunk)) {
            case velmo::PipelinedReply::State::More: return Pop3Session::Chunk::More;
            case velmo::PipelinedReply::State::Complete: return Pop3Session::Chunk::Complete;
            case velmo::PipelinedReply::State::Fail: break;
        }
        return Pop3Session::Chunk::Fail;
    });
    if (end != Pop3Session::ReadEnd::Complete) return session.SetFailure(velmo::FailureKind::ConnectionLost, "cut");
    session.PutBack(reader.take_rest());
    check(reader.reply().find('\0') == std::string::npos);
    return reader.ok() || session.SetFailure(velmo::FailureKind::ServerError, "refused");
}

std::int32_t read_number(std::string_view ops, std::size_t& i) {
    bool negative = false;
    if (i < ops.size() && ops[i] == '-') {
        negative = true;
        ++i;
    }
    bool any = false;
    std::int64_t value = 0;
    while (i < ops.size() && ops[i] >= '0' && ops[i] <= '9') {
        value = std::min<std::int64_t>(value * 10 + (ops[i] - '0'), std::numeric_limits<std::int32_t>::max());
        ++i;
        any = true;
    }
    if (!any) return 1;
    return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\n');
    std::string_view ops = input.substr(0, split);
    std::string_view stream = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    auto owned = std::make_unique<ScriptTransport>(stream);
    ScriptTransport& transport = *owned;
    Pop3Session session(std::move(owned));
    session.set_timeout_ms(2000);

    std::size_t checked = 0;
    std::size_t done = 0;
    for (std::size_t i = 0; i < ops.size() && done < kMaxOperations; ++done) {
        const char op = ops[i++];
        const std::int32_t n = read_number(ops, i);
        std::int32_t count = 0;
        std::int32_t total = 0;
        std::uint32_t message_size = 0;
        std::string text;
        bool ok = false;
        session.BeginRequest();
        const bool may_pipeline = session.pipelining();
        const std::size_t listed_before = session.sizes().size();
        switch (op) {
            case 'U': ok = session.LoginUserPass("127.0.0.1", "fuzz", "secret", 110); break;
            case 'V': ok = session.LoginUserPass("pop3s://mail.example", "fuzz", "secret", 0); break;
            case 'A': ok = session.LoginApop("::1", "fuzz", "secret", 110); break;
            case 'W': ok = session.LoginUserPass("pop3+starttls://mail.example", "fuzz", "secret", 0); break;
            case 'O':
                session.set_access_token("fuzz-token");
                ok = session.LoginUserPass("127.0.0.1", "fuzz", "", 110);
                session.set_access_token({});
                break;
            case 'S':
                ok = session.Stat(count, total);
                if (ok) check(count >= 0 && total >= 0 && count == session.message_count());
                break;
            case 'L':
                ok = session.List();
                if (ok) check(session.sizes().size() <= static_cast<std::size_t>(session.message_count()));
                break;
            case 'I':
                ok = session.Uidl();
                if (ok) check(session.unique_ids().size() <= static_cast<std::size_t>(session.message_count()));
                break;
            case 'z':
                ok = session.LookupSize(n, message_size);
                if (ok) check(n >= 1 && static_cast<std::size_t>(n) <= session.sizes().size());
                break;
            case 'u':
                ok = session.LookupUniqueId(n, text);
                if (ok) {
                    // The id the listing held for n, or "" for a number the reply left out.
                    check(n >= 1 && session.uidl_loaded());
                    const auto& ids = session.unique_ids();
                    check(static_cast<std::size_t>(n) <= ids.size() ? text == ids[static_cast<std::size_t>(n) - 1]
                                                                    : text.empty());
                    check(text.find_first_of(std::string_view(" \t\r\n\0", 5)) == std::string::npos);
                }
                break;
            case 'T':
            case 'R':
                ok = op == 'T' ? session.Top(n, text) : session.Retr(n, text);
                if (ok) {
                    check(n >= 1 && static_cast<std::size_t>(n) <= session.sizes().size());
                    check_text(text);
                }
                break;
            case 'D': ok = session.Dele(n); break;
            case 'a': ok = retrieve_deleting_ahead(session, n); break;
            case 'd':
                ok = session.DeletingAhead(n) ? session.TakeDeleteAhead(n, text) : session.DeleAskingId(n, text);
                check(text.find_first_of(std::string_view(" \t\r\n\0", 5)) == std::string::npos);
                break;
            case 'E': ok = session.Rset(); break;
            case 'N': ok = session.Noop(); break;
            case 'Q': session.CloseSession(); break;
            case 'P': session.set_pipelining_allowed(n == 1); break;
            default: break;
        }
        // A login's success leaves the session connected over an open stream; TLS for the
        // "pop3s://" server, and after STLS, which the "pop3+starttls://" server always needs.
        if (ok && std::string_view("UVAWO").find(op) != std::string_view::npos) {
            check(session.connected() && transport.is_open());
            const bool upgraded = session.connection_kind() == "STARTTLS";
            check(transport.is_tls() == (op == 'V' || upgraded));
            if (op == 'W') check(upgraded);
        }
        if (!session.connected()) check(!session.list_loaded() && !session.uidl_loaded());
        // Every failure names its cause.
        if (!ok && op != 'Q' && std::string_view("UVAWOSLIzuTRDEN").find(op) != std::string_view::npos)
            check(session.last_failure().kind != velmo::FailureKind::None && !session.last_failure().text.empty());
        std::size_t tops_this_op = 0;
        std::vector<std::string> lines;
        for (; checked < transport.sent().size(); ++checked) split_commands(transport.sent()[checked], lines);
        for (const std::string& line : lines) {
            check_command(line);
            if (line.rfind("TOP ", 0) != 0) continue;
            ++tops_this_op;
            // Sent ahead or asked for: always a message the listing named. A cap may close the
            // session within the same operation, and a later STAT may count fewer messages (it
            // leaves out the ones marked deleted, whose numbers stand), so the largest of the
            // listing before, the listing now and the count is what is checked.
            const long k = std::strtol(line.c_str() + 4, nullptr, 10);
            const std::size_t named = std::max({listed_before, session.sizes().size(),
                                                static_cast<std::size_t>(std::max(session.message_count(), 0))});
            check(k >= 1 && static_cast<std::size_t>(k) <= named);
        }
        // One TOP for the request and the window ahead, never more.
        if (op == 'T') check(tops_this_op <= velmo::HeaderPrefetch::kMaxWindow + 1);
        else check(tops_this_op == 0);
        if (op == 'T' && !may_pipeline) check(tops_this_op <= 1);
    }
    session.CloseSession();
    check(!session.connected());
    std::vector<std::string> lines;
    for (; checked < transport.sent().size(); ++checked) split_commands(transport.sent()[checked], lines);
    for (const std::string& line : lines) check_command(line);
    return 0;
}
