#include "access_tokens.h"

#include <utility>

namespace halvex::oauth {

AccessTokens::AccessTokens(QObject* parent) : QObject(parent) {
  connect(&client_, &TokenClient::finished, this, &AccessTokens::renewed);
}

void AccessTokens::begin(const QString& folder, const QString& name) {
  folder_ = folder;
  name_ = name;
  done_ = false;
  if (!grant_exists(folder, name)) {
    finish({});
    return;
  }
  if (!load_grant(folder, name, grant_) || !grant_.usable()) {
    finish({TokenOutcome::Kind::Failed, {},
            QStringLiteral("the account's sign-in file is unreadable or incomplete; sign in again")});
    return;
  }
  const auto it = held_.constFind(name);
  if (it != held_.constEnd() && it->expires.isValid() &&
      QDateTime::currentDateTimeUtc().secsTo(it->expires) > kRenewMarginSeconds) {
    finish({TokenOutcome::Kind::Ok, it->token, {}});
    return;
  }
  client_.refresh(grant_);
}

void AccessTokens::renewed(const TokenResult& result) {
  if (done_) return;
  if (result.outcome == TokenResult::Outcome::GrantRefused) {
    held_.remove(name_);
    finish({TokenOutcome::Kind::GrantRefused, {}, result.cause});
    return;
  }
  if (!result.ok()) {
    finish({TokenOutcome::Kind::Failed, {}, result.cause});
    return;
  }
  held_.insert(name_, {result.access_token, result.expires});
  if (!result.refresh_token.isEmpty() && result.refresh_token != grant_.refresh_token) {
    grant_.refresh_token = result.refresh_token;
    if (!save_grant(folder_, name_, grant_)) {
      finish({TokenOutcome::Kind::Failed, {},
              QStringLiteral("the renewed sign-in could not be saved beside the account file")});
      return;
    }
  }
  finish({TokenOutcome::Kind::Ok, result.access_token, {}});
}

void AccessTokens::finish(TokenOutcome outcome) {
  outcome_ = std::move(outcome);
  done_ = true;
  emit finished();
}

}  // namespace halvex::oauth
