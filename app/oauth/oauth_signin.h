// OAuthSignIn: one browser sign-in with the authorization-code flow and PKCE (RFC 7636)
// through a loopback redirect (RFC 8252):
//   1. start(): PKCE verifier and challenge, a random state, the loopback listener; the
//      authorization URL goes to `open_browser` (the desktop's browser in the program);
//   2. the provider sends the browser back to the listener with a code;
//   3. the code and the verifier are exchanged for tokens at the token endpoint;
//   4. finished(): the grant, now holding the refresh token, and the first access token.
// A sign-in that is refused, fails or is cancelled ends with finished(ok = false, cause).
#pragma once

#include "loopback_redirect.h"
#include "oauth_grant.h"
#include "pkce.h"
#include "token_client.h"

#include <QObject>
#include <QUrl>

#include <functional>

namespace halvex::oauth {

class OAuthSignIn : public QObject {
  Q_OBJECT

 public:
  using BrowserOpener = std::function<bool(const QUrl&)>;

  explicit OAuthSignIn(BrowserOpener open_browser, QObject* parent = nullptr);

  // `grant` names the endpoints, scope and client; `extra_query` is added to the
  // authorization URL. False (and no signal) when the grant lacks a client id or an
  // endpoint, or no listener could be started.
  bool start(const OAuthGrant& grant, const QString& extra_query = {});
  void cancel();
  // The URL handed to the browser by the last start().
  const QUrl& browser_url() const { return url_; }

 signals:
  void finished(bool ok, const halvex::oauth::OAuthGrant& grant, const halvex::oauth::TokenResult& tokens,
                const QString& cause);

 private:
  void exchange(const QString& code);
  void end(bool ok, const TokenResult& tokens, const QString& cause);

  BrowserOpener open_browser_;
  LoopbackRedirect* redirect_ = nullptr;
  TokenClient tokens_;
  OAuthGrant grant_;
  Pkce pkce_;
  QString redirect_uri_;
  QUrl url_;
  bool running_ = false;
};

// The authorization URL of a sign-in (response_type=code, S256 challenge).
QUrl authorization_url(const OAuthGrant& grant, const QString& redirect_uri, const QByteArray& state,
                       const QByteArray& challenge, const QString& extra_query = {});

}  // namespace halvex::oauth
