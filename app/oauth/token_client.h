// TokenClient: the token endpoint of an OAuth2 provider (RFC 6749): the exchange of an
// authorization code (with its PKCE verifier) and the refresh of an access token. One
// request at a time; the answer arrives as the `finished` signal on the caller's thread.
#pragma once

#include "oauth_grant.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

namespace halvex::oauth {

struct TokenResult {
  enum class Outcome { Ok, GrantRefused, Failed };
  Outcome outcome = Outcome::Failed;
  QString access_token;
  QString refresh_token;  // a new one when the provider rotates it, else empty
  QDateTime expires;      // UTC; invalid when the provider did not say
  QString cause;          // for the user: why it failed (never holds a token)

  bool ok() const { return outcome == Outcome::Ok; }
};

// Reads a token endpoint's answer. An "invalid_grant" error (revoked, expired or unknown
// grant) is GrantRefused: only a new sign-in helps. Anything else that is not a token is
// Failed. `now` dates the expiry.
TokenResult read_token_answer(int http_status, const QByteArray& body, const QDateTime& now);

class TokenClient : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTransferTimeoutMs = 30000;

  explicit TokenClient(QObject* parent = nullptr);

  // grant_type=authorization_code with the verifier and the redirect URI of the sign-in.
  void exchange_code(const OAuthGrant& grant, const QString& code, const QByteArray& verifier,
                     const QString& redirect_uri);
  // grant_type=refresh_token with the grant's refresh token.
  void refresh(const OAuthGrant& grant);
  bool busy() const { return reply_ != nullptr; }

 signals:
  void finished(const halvex::oauth::TokenResult& result);

 private:
  void post(const OAuthGrant& grant, QByteArray form);
  void done();

  QNetworkAccessManager* network_;
  QNetworkReply* reply_ = nullptr;
};

}  // namespace halvex::oauth
