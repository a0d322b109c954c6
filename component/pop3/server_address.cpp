#include "pop3/server_address.h"

namespace velmo {

namespace {

// A decimal port of 1 to 65535, digits only; 0 when the text is not one.
std::int32_t read_port(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return 0;
    std::int32_t port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        port = port * 10 + (c - '0');
    }
    return port <= 65535 ? port : 0;
}

bool has_scheme(std::string_view text, std::string_view scheme) {
    if (text.size() < scheme.size()) return false;
    for (std::size_t i = 0; i < scheme.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != scheme[i]) return false;
    }
    return true;
}

bool has_tls_scheme(std::string_view text) { return has_scheme(text, kTlsScheme); }
bool has_starttls_scheme(std::string_view text) { return has_scheme(text, kStartTlsScheme); }

ServerAddress parse_plain(std::string_view text, std::int32_t fallback_port) {
    ServerAddress result{std::string(text), fallback_port, false, false};
    if (!text.empty() && text.front() == '[') {
        std::size_t close = text.find(']');
        if (close == std::string_view::npos) return result;
        std::string_view inside = text.substr(1, close - 1);
        std::string_view rest = text.substr(close + 1);
        if (rest.empty()) {
            result.host = std::string(inside);
        } else if (rest.front() == ':') {
            if (std::int32_t port = read_port(rest.substr(1))) {
                result.host = std::string(inside);
                result.port = port;
                result.port_given = true;
            }
        }
        return result;
    }
    std::size_t colon = text.find(':');
    // Two or more colons: a bare IPv6 literal, used as it is with the fallback port.
    if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos)
        return result;
    if (std::int32_t port = read_port(text.substr(colon + 1))) {
        result.host = std::string(text.substr(0, colon));
        result.port = port;
        result.port_given = true;
    }
    return result;
}

}  // namespace

ServerAddress parse_server_address(std::string_view text, std::int32_t fallback_port) {
    if (has_starttls_scheme(text)) {
        ServerAddress result = parse_plain(text.substr(kStartTlsScheme.size()), kDefaultPlainPort);
        result.host.insert(0, kStartTlsScheme);
        result.starttls = true;
        return result;
    }
    if (!has_tls_scheme(text)) return parse_plain(text, fallback_port);
    ServerAddress result = parse_plain(text.substr(kTlsScheme.size()), kDefaultTlsPort);
    result.host.insert(0, kTlsScheme);
    result.tls = true;
    return result;
}

SessionEndpoint session_endpoint(std::string_view host, std::int32_t port) {
    const auto low16 = [](std::int32_t p) { return static_cast<std::uint16_t>(p & 0xFFFF); };
    if (has_starttls_scheme(host)) {
        ServerAddress inner = parse_plain(host.substr(kStartTlsScheme.size()), port);
        return {std::move(inner.host), low16(inner.port), false, true};
    }
    if (!has_tls_scheme(host)) return {std::string(host), low16(port), false, false};
    ServerAddress inner = parse_plain(host.substr(kTlsScheme.size()), port);
    return {std::move(inner.host), low16(inner.port), true, false};
}

}  // namespace velmo
