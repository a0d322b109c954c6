// FailureCause: why the last request of a POP3 session failed, as a kind code and one line of
// text for the user ("connection refused by mail.example.org port 110", "the server answered:
// -ERR [AUTH] Authentication failed.", ...). The transport fills it for failures of the
// connection itself (name lookup, connect, TLS); the session for everything after that.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmo {

// The kinds, as IPOPSTATUS hands them out; the numbers are fixed.
enum class FailureKind : std::int32_t {
    None = 0,               // the last request succeeded (or none was made)
    ServerError = 1,        // the server answered -ERR (or anything but +OK); the text quotes it
    ConnectionRefused = 2,  // nothing listens on that port
    HostNotFound = 3,       // the name did not resolve
    NoAnswer = 4,           // silence for the whole idle timeout, or no connection within it
    Deadline = 5,           // the request's overall deadline passed while data still trickled in
    ConnectionLost = 6,     // the server closed the connection, or it broke
    TlsUntrusted = 7,       // the server's certificate is not trusted for the host asked for
    TlsFailed = 8,          // the TLS handshake failed otherwise
    ReplyTooLarge = 9,      // the reply passed its size cap
    BadReply = 10,          // a reply the session cannot read (a count or size missing, ...)
    Refused = 11,           // the request itself was refused before anything was sent
    NotConnected = 12,      // no session stands
    Stopped = 13,           // the client stopped the request (Terminate, release)
    Internal = 14,          // the component itself failed (memory ran out, say)
};

struct FailureCause {
    FailureKind kind = FailureKind::None;
    std::string text;
};

// A server's reply quoted in a cause: its first line, control characters shown as '?', at most
// 200 bytes.
std::string quote_reply(std::string_view reply);
// "30 s", or "1.5 s" for a time that is no whole number of seconds.
std::string seconds_text(std::uint32_t ms);

}  // namespace velmo
