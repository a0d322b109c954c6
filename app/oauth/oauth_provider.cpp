#include "oauth_provider.h"

#include "accounts/settings.h"

#include <QSettings>

#ifndef HALVEX_OAUTH_GOOGLE_CLIENT_ID
#define HALVEX_OAUTH_GOOGLE_CLIENT_ID ""
#endif
#ifndef HALVEX_OAUTH_GOOGLE_CLIENT_SECRET
#define HALVEX_OAUTH_GOOGLE_CLIENT_SECRET ""
#endif
#ifndef HALVEX_OAUTH_MICROSOFT_CLIENT_ID
#define HALVEX_OAUTH_MICROSOFT_CLIENT_ID ""
#endif
#ifndef HALVEX_OAUTH_MICROSOFT_CLIENT_SECRET
#define HALVEX_OAUTH_MICROSOFT_CLIENT_SECRET ""
#endif

namespace halvex::oauth {

const QList<OAuthProvider>& provider_presets() {
  static const QList<OAuthProvider> presets = {
      // Installed programs: loopback redirect, PKCE; "offline" access gives the refresh
      // token, and the consent prompt gives it again on a second sign-in.
      {kGoogle, QStringLiteral("Google (Gmail)"),
       QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth"),
       QStringLiteral("https://oauth2.googleapis.com/token"),
       QStringLiteral("https://mail.google.com/"),
       QStringLiteral("access_type=offline&prompt=consent"),
       QStringLiteral("pop3s://pop.gmail.com")},
      // Microsoft 365 and Outlook.com: the POP scope of the Outlook resource, and
      // offline_access for the refresh token.
      {kMicrosoft, QStringLiteral("Microsoft (Outlook.com, Microsoft 365)"),
       QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/authorize"),
       QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/token"),
       QStringLiteral("https://outlook.office.com/POP.AccessAsUser.All offline_access"),
       QString(), QStringLiteral("pop3s://outlook.office365.com")},
  };
  return presets;
}

OAuthProvider preset(const QString& id) {
  for (const OAuthProvider& p : provider_presets())
    if (p.id == id) return p;
  return {};
}

namespace {

QString from_settings(const QString& key) {
  QSettings settings(settings_file_path(), QSettings::IniFormat);
  return settings.value(QStringLiteral("OAuth/") + key).toString().trimmed();
}

QString built_in(const QString& provider_id, bool secret) {
  if (provider_id == kGoogle)
    return QString::fromUtf8(secret ? HALVEX_OAUTH_GOOGLE_CLIENT_SECRET : HALVEX_OAUTH_GOOGLE_CLIENT_ID);
  if (provider_id == kMicrosoft)
    return QString::fromUtf8(secret ? HALVEX_OAUTH_MICROSOFT_CLIENT_SECRET
                                    : HALVEX_OAUTH_MICROSOFT_CLIENT_ID);
  return {};
}

QString configured(const QString& provider_id, bool secret) {
  const QString key = provider_id + (secret ? QStringLiteral("_client_secret") : QStringLiteral("_client_id"));
  const QString set = from_settings(key);
  return set.isEmpty() ? built_in(provider_id, secret) : set;
}

}  // namespace

QString configured_client_id(const QString& provider_id) { return configured(provider_id, false); }
QString configured_client_secret(const QString& provider_id) { return configured(provider_id, true); }

}  // namespace halvex::oauth
