// The initial responses of the SASL mechanisms the login uses, base64-encoded as POP3's
// AUTH command carries them (RFC 5034): PLAIN (RFC 4616), XOAUTH2 (the bearer-token
// mechanism of the big web-mail providers) and OAUTHBEARER (RFC 7628).
#pragma once

#include <string>
#include <string_view>

namespace velmo {

std::string base64_encode(std::string_view bytes);

// base64("" NUL user NUL password).
std::string sasl_plain(std::string_view user, std::string_view password);
// base64("user=" user ^A "auth=Bearer " token ^A ^A).
std::string sasl_xoauth2(std::string_view user, std::string_view token);
// base64("n,a=" user "," ^A "host=" host ^A "port=" port ^A "auth=Bearer " token ^A ^A);
// "," and "=" in the user name are escaped as "=2C" and "=3D".
std::string sasl_oauthbearer(std::string_view user, std::string_view host, unsigned port, std::string_view token);

}  // namespace velmo
