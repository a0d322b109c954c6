// Where a Server text points: "host", "host:port", "[IPv6]:port", "[IPv6]" or a bare IPv6
// literal. Only a port written with the text overrides the object's ServerPort.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmo {

struct ServerAddress {
    std::string host;        // as given, brackets removed
    std::int32_t port = 0;   // the port written with the text, or the fallback
    bool port_given = false;
};

// Splits text into host and port; fallback_port is used when the text carries none. A suffix
// that is not a port of 1 to 65535 ("host:", "host:x", "host:70000") leaves the text whole as
// the host name, which then fails to resolve rather than reaching some other port.
ServerAddress parse_server_address(std::string_view text, std::int32_t fallback_port);

}  // namespace velmo
