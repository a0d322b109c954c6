#include "pop3/login_plan.h"

namespace velmo {

StartTlsStep starttls_step(const SessionEndpoint& endpoint, const Capabilities& caps) {
    if (endpoint.tls) return StartTlsStep::None;
    if (caps.has("STLS")) return StartTlsStep::Upgrade;
    if (!endpoint.starttls) return StartTlsStep::None;
    // A server that answered no CAPA at all may still know STLS: it is asked, and its refusal
    // fails the login. One whose list leaves STLS out does not offer it.
    return caps.empty() ? StartTlsStep::Upgrade : StartTlsStep::Missing;
}

bool wants_utf8(const Capabilities& caps) { return caps.has("UTF8"); }

SignInKind sign_in_kind_for(const Capabilities& caps, bool apop, bool token) {
    if (token) return caps.lists("SASL", "OAUTHBEARER") ? SignInKind::OAuthBearer : SignInKind::XOAuth2;
    if (apop) return SignInKind::Apop;
    if (caps.lists("SASL", "PLAIN") && !caps.has("USER")) return SignInKind::Plain;
    return SignInKind::UserPass;
}

std::string_view sign_in_name(SignInKind kind) {
    switch (kind) {
        case SignInKind::UserPass: return "USER";
        case SignInKind::Apop: return "APOP";
        case SignInKind::Plain: return "AUTH PLAIN";
        case SignInKind::XOAuth2: return "AUTH XOAUTH2";
        case SignInKind::OAuthBearer: return "AUTH OAUTHBEARER";
    }
    return "USER";
}

}  // namespace velmo
