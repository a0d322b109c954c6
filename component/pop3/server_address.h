// Where a Server text points: "host", "host:port", "[IPv6]:port", "[IPv6]" or a bare IPv6
// literal, each plain text; the same forms after "pop3s://" for a server that speaks TLS from
// the first byte, and after "pop3+starttls://" for one that must upgrade with STLS before the
// login (the login fails when it refuses). Only a port written with the text overrides the object's ServerPort.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmo {

inline constexpr std::string_view kTlsScheme = "pop3s://";
inline constexpr std::int32_t kDefaultTlsPort = 995;
inline constexpr std::string_view kStartTlsScheme = "pop3+starttls://";
inline constexpr std::int32_t kDefaultPlainPort = 110;

struct ServerAddress {
    // The server as the session takes it: the name or literal as given, brackets removed. A
    // TLS server keeps its "pop3s://" or "pop3+starttls://" prefix, since the session is
    // handed host and port alone.
    std::string host;
    std::int32_t port = 0;   // the port written with the text, or the fallback
    bool port_given = false;
    bool tls = false;
    bool starttls = false;   // "pop3+starttls://": STLS required
};

// Splits text into host and port; fallback_port is used when the text carries none, and 995
// for a "pop3s://" text without one (ServerPort's default, 110, is the plain port), 110 for a
// "pop3+starttls://" text without one. A suffix
// that is not a port of 1 to 65535 ("host:", "host:x", "host:70000") leaves the text whole as
// the host name, which then fails to resolve rather than reaching some other port. The scheme
// is matched without regard to letter case.
ServerAddress parse_server_address(std::string_view text, std::int32_t fallback_port);

// What the session connects to for the host it was handed (see ServerAddress::host): a
// "pop3s://" prefix is taken off and asks for TLS, a "pop3+starttls://" prefix for STLS; the
// rest is read as parse_server_address reads it, so a host of "pop3s://[::1]" or
// "pop3s://h:995" arriving unparsed also works.
struct SessionEndpoint {
    std::string host;        // to resolve, and the name the certificate must carry
    std::uint16_t port = 0;
    bool tls = false;
    bool starttls = false;
};
SessionEndpoint session_endpoint(std::string_view host, std::int32_t port);

}  // namespace velmo
