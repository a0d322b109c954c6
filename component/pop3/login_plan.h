// LoginPlan: what a login does between the greeting and the sign-in, decided from the server
// text and the server's CAPA answer. A plain connection upgrades with STLS whenever the server
// lists it, and a "pop3+starttls://" one always asks for it; UTF8 is sent where listed, so a
// server that holds back 8-bit headers delivers them; and the sign-in is chosen among USER/PASS,
// APOP, AUTH PLAIN (for a server that lists PLAIN under SASL and offers no USER), AUTH
// OAUTHBEARER and AUTH XOAUTH2 (for an access token).
#pragma once

#include <string_view>

#include "pop3/capabilities.h"
#include "pop3/server_address.h"

namespace velmo {

enum class StartTlsStep {
    None,     // TLS from the first byte, or plain with no STLS listed
    Upgrade,  // send STLS and upgrade before anything else
    Missing,  // "pop3+starttls://" but CAPA did not list STLS: the login fails unsent
};
StartTlsStep starttls_step(const SessionEndpoint& endpoint, const Capabilities& caps);

bool wants_utf8(const Capabilities& caps);

enum class SignInKind { UserPass, Apop, Plain, XOAuth2, OAuthBearer };
// An access token signs in with OAUTHBEARER where SASL lists it, else XOAUTH2 (which the big
// providers accept without always listing it). Otherwise APOP when asked for, AUTH PLAIN where
// SASL lists PLAIN and USER is not offered, and USER/PASS in every other case.
SignInKind sign_in_kind_for(const Capabilities& caps, bool apop, bool token);

// "USER", "APOP", "AUTH PLAIN", "AUTH XOAUTH2" or "AUTH OAUTHBEARER".
std::string_view sign_in_name(SignInKind kind);

}  // namespace velmo
