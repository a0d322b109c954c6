#include "oauth_login.h"

#include "bstr_text.h"
#include "engine_host.h"

#include "frame/ipopsignin.h"

namespace halvex {

namespace {

// The component's sign-in interface, or null when it has none.
IPOPSIGNIN* sign_in_of(IPOPMAIN* popmain) {
  void* found = nullptr;
  if (!popmain || popmain->QueryInterface(IID_IPOPSIGNIN, &found) != S_OK) return nullptr;
  return static_cast<IPOPSIGNIN*>(found);
}

}  // namespace

OAuthLogin::Result OAuthLogin::prepare(IPOPMAIN* popmain, const QString& folder, const QString& name,
                                       const QString& description) {
  cause_.clear();
  tokens_.begin(folder, name);
  while (!tokens_.done()) host_.wait_for_events();
  const oauth::TokenOutcome& outcome = tokens_.outcome();
  if (outcome.kind == oauth::TokenOutcome::Kind::GrantRefused)
    host_.notify(QStringLiteral("Halvex: sign in again"),
                 QStringLiteral("The sign-in of account ") + description +
                     QStringLiteral(" was revoked or has expired. Open the account and press \"Sign in…\"."));
  return hand_over(popmain, outcome, description, cause_);
}

OAuthLogin::Result OAuthLogin::hand_over(IPOPMAIN* popmain, const oauth::TokenOutcome& outcome,
                                         const QString& description, QString& cause) {
  using Kind = oauth::TokenOutcome::Kind;
  if (outcome.kind == Kind::GrantRefused || outcome.kind == Kind::Failed) {
    cause = QStringLiteral("Sign-in failed for: ") + description + QStringLiteral(" (") + outcome.cause +
            QStringLiteral(")");
    return Result::Failed;
  }
  IPOPSIGNIN* sign_in = sign_in_of(popmain);
  if (!sign_in) {
    if (outcome.kind == Kind::NoGrant) return Result::Ready;  // a component without it: passwords only
    cause = QStringLiteral("Sign-in failed for: ") + description +
            QStringLiteral(" (the mail component cannot sign in with OAuth2)");
    return Result::Failed;
  }
  sign_in->put_AccessToken(BstrArg(outcome.kind == Kind::Ok ? outcome.access_token : QString()));
  sign_in->Release();
  return Result::Ready;
}

QString OAuthLogin::login_line(IPOPMAIN* popmain, const QString& description) {
  IPOPSIGNIN* sign_in = sign_in_of(popmain);
  if (!sign_in) return {};
  const QString connection = bstr_result([&](BSTR* out) { return sign_in->get_ConnectionKind(out); });
  const QString kind = bstr_result([&](BSTR* out) { return sign_in->get_SignInKind(out); });
  sign_in->Release();
  if (connection.isEmpty() || (connection == QStringLiteral("plain") && kind == QStringLiteral("USER"))) return {};
  const QString over = connection == QStringLiteral("plain") ? QStringLiteral("plain text")
                       : connection == QStringLiteral("TLS")  ? QStringLiteral("TLS (pop3s://)")
                                                              : connection;
  return QStringLiteral("Connected to account: ") + description + QStringLiteral(" over ") + over +
         QStringLiteral(", signed in with ") + kind + QStringLiteral(".");
}

}  // namespace halvex
