// OAuthLogin: the sign-in side of one account's login in the filter cycle. An account with
// an OAuth2 grant beside its account file gets a fresh access token (renewed with the
// refresh token when needed, unattended) and hands it to the component through its second
// interface, IPOPSIGNIN; any other account has the token cleared, so it logs in with its
// password. After the login, login_line() tells how the account connected and signed in.
#pragma once

#include "oauth/access_tokens.h"

#include "frame/ipopmain.h"

#include <QString>

namespace halvex {

class EngineHost;

class OAuthLogin {
public:
  enum class Result { Ready, Failed };

  explicit OAuthLogin(EngineHost& host) : host_(host) {}

  // Gets the token of account `name` (its file name) while events run, and hands it, or
  // none, to `popmain`. Failed with cause() when the grant could not give a token; a
  // grant the provider refused also raises a notification asking to sign in again.
  Result prepare(IPOPMAIN* popmain, const QString& folder, const QString& name, const QString& description);
  const QString& cause() const { return cause_; }

  // Hands the token of `outcome` (none for an account without a grant) to `popmain`. Failed,
  // with `cause` set, when the grant gave no token or the component cannot take one.
  static Result hand_over(IPOPMAIN* popmain, const oauth::TokenOutcome& outcome, const QString& description,
                          QString& cause);

  // "Connected to account: D over STARTTLS, signed in with USER." (or over "plain text" or
  // "TLS (pop3s://)", signed in with APOP, AUTH PLAIN, AUTH XOAUTH2 or AUTH OAUTHBEARER) after
  // a login that was not a plain-text USER/PASS one, whose log stays as it always was; empty
  // for that, and when the component cannot say.
  static QString login_line(IPOPMAIN* popmain, const QString& description);

private:
  EngineHost& host_;
  oauth::AccessTokens tokens_;
  QString cause_;
};

}  // namespace halvex
