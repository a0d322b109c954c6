#include "oauth_signin.h"

#include <QUrlQuery>

#include <utility>

namespace halvex::oauth {

QUrl authorization_url(const OAuthGrant& grant, const QString& redirect_uri, const QByteArray& state,
                       const QByteArray& challenge, const QString& extra_query) {
  QUrl url(grant.authorize_url);
  QUrlQuery query(url);
  query.addQueryItem(QStringLiteral("response_type"), QStringLiteral("code"));
  query.addQueryItem(QStringLiteral("client_id"), grant.client_id);
  query.addQueryItem(QStringLiteral("redirect_uri"), redirect_uri);
  query.addQueryItem(QStringLiteral("scope"), grant.scope);
  query.addQueryItem(QStringLiteral("state"), QString::fromLatin1(state));
  query.addQueryItem(QStringLiteral("code_challenge"), QString::fromLatin1(challenge));
  query.addQueryItem(QStringLiteral("code_challenge_method"), QStringLiteral("S256"));
  for (const auto& [key, value] : QUrlQuery(extra_query).queryItems(QUrl::FullyDecoded))
    query.addQueryItem(key, value);
  // Every reserved character of a value encoded, so a "+" or "&" in a scope stays itself.
  QString encoded;
  for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
    if (!encoded.isEmpty()) encoded += QLatin1Char('&');
    encoded += QString::fromLatin1(QUrl::toPercentEncoding(key)) + QLatin1Char('=') +
               QString::fromLatin1(QUrl::toPercentEncoding(value));
  }
  url.setQuery(encoded, QUrl::StrictMode);
  return url;
}

OAuthSignIn::OAuthSignIn(BrowserOpener open_browser, QObject* parent)
    : QObject(parent), open_browser_(std::move(open_browser)) {
  connect(&tokens_, &TokenClient::finished, this, [this](const TokenResult& result) {
    if (!running_) return;
    if (!result.ok()) {
      end(false, result, result.cause);
      return;
    }
    grant_.refresh_token = result.refresh_token;
    if (grant_.refresh_token.isEmpty()) {
      end(false, result, QStringLiteral("the provider gave no refresh token, so the sign-in cannot be renewed"));
      return;
    }
    end(true, result, {});
  });
}

bool OAuthSignIn::start(const OAuthGrant& grant, const QString& extra_query) {
  cancel();
  const QUrl authorize(grant.authorize_url), token(grant.token_url);
  if (grant.client_id.isEmpty() || !authorize.isValid() || authorize.scheme().isEmpty() ||
      !token.isValid() || token.scheme().isEmpty())
    return false;
  grant_ = grant;
  grant_.refresh_token.clear();
  pkce_ = make_pkce();
  const QByteArray state = random_token(24);
  if (pkce_.verifier.isEmpty() || state.isEmpty()) return false;
  redirect_ = new LoopbackRedirect(this);
  if (!redirect_->listen(state)) {
    delete redirect_;
    redirect_ = nullptr;
    return false;
  }
  connect(redirect_, &LoopbackRedirect::code_received, this, &OAuthSignIn::exchange);
  connect(redirect_, &LoopbackRedirect::refused, this, [this](const QString& error) {
    end(false, {}, QStringLiteral("the provider did not grant access: ") + error);
  });
  redirect_uri_ = redirect_->redirect_uri();
  url_ = oauth::authorization_url(grant_, redirect_uri_, state, pkce_.challenge, extra_query);
  running_ = true;
  if (!open_browser_ || !open_browser_(url_)) {
    running_ = false;
    redirect_->deleteLater();
    redirect_ = nullptr;
    return false;
  }
  return true;
}

void OAuthSignIn::exchange(const QString& code) {
  if (!running_) return;
  tokens_.exchange_code(grant_, code, pkce_.verifier, redirect_uri_);
}

void OAuthSignIn::cancel() {
  running_ = false;
  if (redirect_) {
    redirect_->close();
    redirect_->deleteLater();
    redirect_ = nullptr;
  }
}

void OAuthSignIn::end(bool ok, const TokenResult& tokens, const QString& cause) {
  cancel();
  emit finished(ok, grant_, tokens, cause);
}

}  // namespace halvex::oauth
