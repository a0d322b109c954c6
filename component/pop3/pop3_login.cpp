// Pop3Session: the login, from the greeting to the signed-in session (see the session's header
// for the rules and login_plan.h for the choices).
#include "pop3/login_plan.h"
#include "pop3/md5.h"
#include "pop3/pop3_session.h"
#include "pop3/sasl.h"

namespace velmo {

namespace {

// A credential goes into a command line as it is: one that could end the line early, or that
// exceeds the protocol's field, is refused before anything of it is sent.
bool credential_fits(const std::string& text) {
    return text.size() <= Pop3Session::kCredentialMax && text.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

// An access token or a name inside a bearer response: control characters would end a field
// of the response early.
bool bearer_field_fits(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F) return false;
    return true;
}

}  // namespace

std::string Pop3Session::connection_kind() const {
    std::lock_guard lock(kinds_mutex_);
    return connection_kind_;
}

std::string Pop3Session::sign_in_kind() const {
    std::lock_guard lock(kinds_mutex_);
    return sign_in_kind_;
}

bool Pop3Session::utf8() const { return utf8_.load(); }

void Pop3Session::set_kinds(std::string connection, std::string sign_in) {
    std::lock_guard lock(kinds_mutex_);
    connection_kind_ = std::move(connection);
    sign_in_kind_ = std::move(sign_in);
}

bool Pop3Session::Fail() {
    CloseSession();
    return false;
}

bool Pop3Session::Refuse(std::string_view field) {
    SetFailure(FailureKind::Refused, std::string(field) + " is longer than " + std::to_string(kCredentialMax) +
                                         " characters or holds a line break; nothing of it was sent");
    return Fail();
}

bool Pop3Session::StartTls() {
    if (!SendCommand("STLS\r\n") || !CheckOk()) return false;
    // Whatever came in plain text after the "+OK" was dropped with the rest of its line's read;
    // from here on only the protected stream counts.
    if (!transport_->start_tls(endpoint_.host, timeout_ms(), stop_)) {
        FailureCause why = transport_->failure();
        if (why.kind == FailureKind::None) why = {FailureKind::TlsFailed, "the STARTTLS handshake failed"};
        return SetFailure(why.kind, std::move(why.text));
    }
    upgraded_ = true;
    // What the server listed in plain text is forgotten: it may list more, or other things, now.
    return AskCapabilities();
}

bool Pop3Session::SendUtf8() {
    std::string reply;
    if (!SendCommand("UTF8\r\n") || !ReadSingleLine(reply)) return false;
    // A refusal leaves the session as it was; the login goes on.
    utf8_.store(IsOk(reply));
    return true;
}

bool Pop3Session::LoginCommon(const std::string& server, std::int32_t port, std::string* greeting) {
    if (connected()) CloseSession();
    ForgetMarks();  // nothing of a connection that ended without CloseSession carries over
    utf8_.store(false);
    if (!OpenConnection(server, port)) return false;
    connected_.store(true);
    if (!CheckOk(greeting)) return Fail();
    if (!AskCapabilities()) return Fail();
    switch (starttls_step(endpoint_, capabilities_)) {
        case StartTlsStep::None: break;
        case StartTlsStep::Missing:
            SetFailure(FailureKind::Refused,
                       "the server does not offer STARTTLS (its capabilities lack STLS); nothing was sent in plain text");
            return Fail();
        case StartTlsStep::Upgrade:
            if (!StartTls()) return Fail();
            break;
    }
    if (wants_utf8(capabilities_) && !SendUtf8()) return Fail();
    return true;
}

bool Pop3Session::Authenticate(std::string_view mechanism, const std::string& response, std::string_view dummy) {
    std::string reply;
    if (!SendCommand("AUTH " + std::string(mechanism) + "\r\n") || !ReadSingleLine(reply)) return false;
    if (reply.empty() || reply[0] != '+' || IsOk(reply)) return ServerSaid(reply);
    if (!SendCommand(response + "\r\n") || !ReadSingleLine(reply)) return false;
    if (IsOk(reply)) return true;
    // Another "+": the server's error report (the bearer mechanisms send one); the answer it
    // asks for ends the exchange with the server's final "-ERR".
    if (!reply.empty() && reply[0] == '+' && SendCommand(std::string(dummy) + "\r\n")) ReadSingleLine(reply);
    return ServerSaid(reply);
}

bool Pop3Session::SignInPipelined(const std::string& user, const std::string& password) {
    // Both checked before anything goes out: a refused password leaves nothing of the pair sent.
    if (!credential_fits(password)) return Refuse("the password");
    // USER and PASS in one send, one round trip. A refused USER fails the login with its own
    // answer; the reply to the PASS behind it is read all the same, to keep the stream in step.
    if (!SendCommand("USER " + user + "\r\nPASS " + password + "\r\n")) return false;
    std::string reply;
    if (!ReadLineKeepingRest(reply)) return false;
    const bool user_ok = IsOk(reply);
    if (!user_ok) ServerSaid(reply);
    const FailureCause why = last_failure();
    if (CheckOk() && user_ok) return true;
    if (!user_ok) SetFailure(why.kind, why.text);
    return false;
}

bool Pop3Session::SignIn(const std::string& user, const std::string& password, const std::string* greeting) {
    const SignInKind kind = sign_in_kind_for(capabilities_, greeting != nullptr, !access_token_.empty());
    switch (kind) {
        case SignInKind::XOAuth2:
        case SignInKind::OAuthBearer:
            if (!bearer_field_fits(access_token_) || !bearer_field_fits(user)) {
                SetFailure(FailureKind::Refused, "the user name or the access token holds a control character");
                return Fail();
            }
            if (kind == SignInKind::XOAuth2 ? !Authenticate("XOAUTH2", sasl_xoauth2(user, access_token_), "")
                                            : !Authenticate("OAUTHBEARER",
                                                            sasl_oauthbearer(user, endpoint_.host, endpoint_.port,
                                                                             access_token_),
                                                            "AQ=="))
                return Fail();
            break;
        case SignInKind::Plain:
            if (!credential_fits(user)) return Refuse("the user name");
            if (!credential_fits(password)) return Refuse("the password");
            if (!Authenticate("PLAIN", sasl_plain(user, password), "*")) return Fail();
            break;
        case SignInKind::Apop: {
            // The time stamp: from the first "<" up to and including the next ">". A greeting
            // without one offers no APOP; the digest of the bare password would be worthless.
            const std::size_t open = greeting->find('<');
            const std::size_t close = open == std::string::npos ? open : greeting->find('>', open);
            if (close == std::string::npos) {
                SetFailure(FailureKind::Refused, "the server's greeting offers no APOP time stamp");
                return Fail();
            }
            if (!credential_fits(user)) return Refuse("the user name");
            if (!credential_fits(password)) return Refuse("the password");
            const std::string digest = md5_hex(greeting->substr(open, close - open + 1) + password);
            if (!SendCommand("APOP " + user + " " + digest + "\r\n") || !CheckOk()) return Fail();
            break;
        }
        case SignInKind::UserPass:
            if (!credential_fits(user)) return Refuse("the user name");
            if (pipelining()) {
                if (!SignInPipelined(user, password)) return Fail();
                break;
            }
            if (!SendCommand("USER " + user + "\r\n") || !CheckOk()) return Fail();
            if (!credential_fits(password)) return Refuse("the password");
            if (!SendCommand("PASS " + password + "\r\n") || !CheckOk()) return Fail();
            break;
    }
    set_kinds(upgraded_ ? "STARTTLS" : endpoint_.tls ? "TLS" : "plain", std::string(sign_in_name(kind)));
    return true;
}

bool Pop3Session::LoginUserPass(const std::string& server, const std::string& user,
                                const std::string& password, std::int32_t port) {
    return LoginCommon(server, port, nullptr) && SignIn(user, password, nullptr);
}

bool Pop3Session::LoginApop(const std::string& server, const std::string& user,
                            const std::string& password, std::int32_t port) {
    std::string greeting;
    return LoginCommon(server, port, &greeting) && SignIn(user, password, &greeting);
}

}  // namespace velmo
