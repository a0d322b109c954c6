// Where an account signs in with OAuth2: the provider presets (the two big web-mail
// providers, with their documented endpoints and POP3 scopes) and custom endpoints.
//
// The OAuth client id is never made up here. It comes, first, from the settings file
// (group "OAuth", key "<provider>_client_id", and "<provider>_client_secret" where the
// provider issues one to desktop programs), else from the build (CMake cache variables
// HALVEX_OAUTH_GOOGLE_CLIENT_ID, HALVEX_OAUTH_MICROSOFT_CLIENT_ID and their _SECRET
// twins). A preset without a client id cannot be used until one is set.
#pragma once

#include <QList>
#include <QString>

namespace halvex::oauth {

inline const QString kGoogle = QStringLiteral("google");
inline const QString kMicrosoft = QStringLiteral("microsoft");
inline const QString kCustom = QStringLiteral("custom");

struct OAuthProvider {
  QString id;             // kGoogle, kMicrosoft or kCustom
  QString name;           // shown to the user
  QString authorize_url;  // where the browser signs in
  QString token_url;      // code exchange and refresh
  QString scope;          // space-separated; asks for POP3 access and a refresh token
  QString extra_query;    // added to the authorization URL ("a=b&c=d"), may be empty
  QString server;         // the provider's POP3 server text, for the account's server box
};

// The presets, Google first; custom endpoints are typed by the user.
const QList<OAuthProvider>& provider_presets();
// The preset with this id; a provider with an empty id when there is none.
OAuthProvider preset(const QString& id);

// The client id and secret for a provider: the settings first, then the build's.
QString configured_client_id(const QString& provider_id);
QString configured_client_secret(const QString& provider_id);

}  // namespace halvex::oauth
