// The OAuth2 sign-in of one account, kept beside its account file as NAME.oauth (mode 0600,
// written atomically), so the account file's own format stays as it is. An account with
// such a file signs in with an access token instead of its password.
//
// File: UTF-8 lines "key=value" ended by CR LF; unknown keys are skipped, so later
// additions load in older programs. The refresh token is the one secret; it is never
// written anywhere else (not to the status log, not to the protocol log).
#pragma once

#include <QString>

namespace halvex::oauth {

struct OAuthGrant {
  QString provider;       // kGoogle, kMicrosoft or kCustom
  QString authorize_url;
  QString token_url;
  QString scope;
  QString client_id;
  QString client_secret;  // empty for public clients
  QString refresh_token;

  bool usable() const { return !token_url.isEmpty() && !client_id.isEmpty() && !refresh_token.isEmpty(); }
  friend bool operator==(const OAuthGrant&, const OAuthGrant&) = default;
};

// folder + name + ".oauth".
QString grant_path(const QString& folder, const QString& name);
bool grant_exists(const QString& folder, const QString& name);
// False when the file is missing or unreadable; `grant` is then untouched.
bool load_grant(const QString& folder, const QString& name, OAuthGrant& grant);
// False when a value holds a line break or the file cannot be written.
bool save_grant(const QString& folder, const QString& name, const OAuthGrant& grant);
// True when no grant file is left.
bool remove_grant(const QString& folder, const QString& name);

}  // namespace halvex::oauth
