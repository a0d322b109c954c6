#include "token_client.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <QUrlQuery>

namespace halvex::oauth {

namespace {

constexpr qint64 kMaxAnswer = 64 * 1024;

QByteArray form_value(const QString& text) { return QUrl::toPercentEncoding(text); }

void add(QByteArray& form, const char* key, const QString& value) {
  if (!form.isEmpty()) form += '&';
  form += key;
  form += '=';
  form += form_value(value);
}

}  // namespace

TokenResult read_token_answer(int http_status, const QByteArray& body, const QDateTime& now) {
  TokenResult result;
  QJsonParseError parse_error;
  const QJsonDocument doc = QJsonDocument::fromJson(body, &parse_error);
  const QJsonObject answer = doc.isObject() ? doc.object() : QJsonObject();
  const QString error = answer.value(QStringLiteral("error")).toString();
  if (error == QStringLiteral("invalid_grant")) {
    result.outcome = TokenResult::Outcome::GrantRefused;
    result.cause = QStringLiteral("the sign-in was revoked or has expired; sign in again");
    return result;
  }
  const QString access = answer.value(QStringLiteral("access_token")).toString();
  if (http_status != 200 || !error.isEmpty() || access.isEmpty()) {
    result.cause = error.isEmpty()
                       ? QStringLiteral("the token service answered HTTP %1 without a token").arg(http_status)
                       : QStringLiteral("the token service refused: ") + error.left(100);
    return result;
  }
  result.outcome = TokenResult::Outcome::Ok;
  result.access_token = access;
  result.refresh_token = answer.value(QStringLiteral("refresh_token")).toString();
  const QJsonValue expires_in = answer.value(QStringLiteral("expires_in"));
  // Some providers send the seconds as a string.
  const qint64 seconds = expires_in.isString() ? expires_in.toString().toLongLong() : expires_in.toInteger();
  if (seconds > 0) result.expires = now.toUTC().addSecs(seconds);
  return result;
}

TokenClient::TokenClient(QObject* parent) : QObject(parent), network_(new QNetworkAccessManager(this)) {}

void TokenClient::exchange_code(const OAuthGrant& grant, const QString& code, const QByteArray& verifier,
                                const QString& redirect_uri) {
  QByteArray form;
  add(form, "grant_type", QStringLiteral("authorization_code"));
  add(form, "code", code);
  add(form, "redirect_uri", redirect_uri);
  add(form, "code_verifier", QString::fromLatin1(verifier));
  post(grant, form);
}

void TokenClient::refresh(const OAuthGrant& grant) {
  QByteArray form;
  add(form, "grant_type", QStringLiteral("refresh_token"));
  add(form, "refresh_token", grant.refresh_token);
  if (!grant.scope.isEmpty()) add(form, "scope", grant.scope);
  post(grant, form);
}

void TokenClient::post(const OAuthGrant& grant, QByteArray form) {
  add(form, "client_id", grant.client_id);
  if (!grant.client_secret.isEmpty()) add(form, "client_secret", grant.client_secret);
  QNetworkRequest request{QUrl(grant.token_url)};
  request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
  request.setRawHeader("Accept", "application/json");
  request.setTransferTimeout(kTransferTimeoutMs);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  if (reply_) {
    reply_->disconnect(this);
    reply_->abort();
    reply_->deleteLater();
  }
  reply_ = network_->post(request, form);
  connect(reply_, &QNetworkReply::finished, this, &TokenClient::done);
  // A token answer is small: an endless one is cut off and read as no answer.
  QNetworkReply* reply = reply_;
  connect(reply_, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
    if (received > kMaxAnswer) reply->abort();
  });
}

void TokenClient::done() {
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  reply->deleteLater();
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  TokenResult result;
  if (status == 0) {
    result.cause = QStringLiteral("the token service could not be reached: ") + reply->errorString();
  } else {
    result = read_token_answer(status, reply->read(kMaxAnswer), QDateTime::currentDateTimeUtc());
  }
  emit finished(result);
}

}  // namespace halvex::oauth
