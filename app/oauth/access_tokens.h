// AccessTokens: the access token of each OAuth2 account, renewed with its refresh token
// before a login when the token held is missing or near its end, unattended. Tokens are
// kept in memory only; a refresh token the provider replaces is written back to the
// account's grant file at once.
//
// Use: begin(folder, name); let events run until done(); then outcome(). A grant the
// provider no longer accepts (revoked, expired) ends as GrantRefused: only a new sign-in
// from the account dialog helps, and the grant file is kept so the dialog can show it.
#pragma once

#include "oauth_grant.h"
#include "token_client.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>

namespace halvex::oauth {

struct TokenOutcome {
  enum class Kind { NoGrant, Ok, GrantRefused, Failed };
  Kind kind = Kind::NoGrant;
  QString access_token;
  QString cause;  // for the status log; never holds a token
};

class AccessTokens : public QObject {
  Q_OBJECT

 public:
  // A token with less than this left is renewed before it is used.
  static constexpr qint64 kRenewMarginSeconds = 600;

  explicit AccessTokens(QObject* parent = nullptr);

  // Starts getting the access token of account `name` in `folder`. Done at once when the
  // account has no grant file, or its token is held and fresh.
  void begin(const QString& folder, const QString& name);
  bool done() const { return done_; }
  const TokenOutcome& outcome() const { return outcome_; }
  // Forgets the token held for `name`, so the next begin() renews it.
  void forget(const QString& name) { held_.remove(name); }

 private:
  struct Held {
    QString token;
    QDateTime expires;  // UTC; invalid: unknown, renewed every time
  };
  void renewed(const TokenResult& result);

 signals:
  // done() turned true; also when begin() finishes at once, before it returns.
  void finished();

 private:
  void finish(TokenOutcome outcome);

  TokenClient client_;
  QHash<QString, Held> held_;
  QString folder_, name_;
  OAuthGrant grant_;
  TokenOutcome outcome_;
  bool done_ = true;
};

}  // namespace halvex::oauth
