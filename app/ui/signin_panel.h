// SignInPanel: the account dialog's row about how the account reaches its mailbox: the
// kind of connection its server text asks for, and its sign-in (the password, or OAuth2
// through "Sign in…"). The sign-in is kept as a working copy and written beside the
// account file (NAME.oauth) only when the dialog saves.
#pragma once

#include "oauth/oauth_grant.h"
#include "oauth/oauth_signin.h"

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

namespace halvex {

// What a server text means for the connection, in the user's words.
QString connection_kind_text(const QString& server);

class SignInPanel : public QWidget {
  Q_OBJECT

 public:
  explicit SignInPanel(QWidget* parent = nullptr);

  QLabel* connection_label = nullptr;  // the connection kind of the server text
  QLabel* sign_in_label = nullptr;     // "Sign-in: password" or "Sign-in: OAuth2 (...)"
  QPushButton* sign_in_button = nullptr;   // "Sign in…"
  QPushButton* password_button = nullptr;  // "Use Password": drops the OAuth2 sign-in

  // How "Sign in…" opens the browser (the desktop's by default; tests replace it).
  void set_browser_opener(oauth::OAuthSignIn::BrowserOpener open) { open_browser_ = std::move(open); }

  // Shows the sign-in kept for account `name` in `folder`.
  void load(const QString& folder, const QString& name);
  void show_server(const QString& server);
  bool uses_oauth() const { return grant_.has_value(); }
  const std::optional<oauth::OAuthGrant>& grant() const { return grant_; }
  // Writes the working sign-in as the grant file of `name` (or removes that file for a
  // password sign-in). False when the file could not be written or removed.
  bool commit(const QString& folder, const QString& name) const;

 signals:
  // A provider preset was signed in to: its server text, for an empty server box.
  void server_suggested(const QString& server);

 private:
  void sign_in();
  void show_sign_in();

  std::optional<oauth::OAuthGrant> grant_;
  oauth::OAuthSignIn::BrowserOpener open_browser_;
};

}  // namespace halvex
