// frm_signin: the "Sign in" dialog of an account. The user picks a provider (a preset or
// custom endpoints), checks the client id (from the settings or the build; never made
// up), and presses "Sign in…": the browser opens the provider's page, and once the
// provider sends it back to Halvex the dialog closes with the grant.
#pragma once

#include "oauth/oauth_grant.h"
#include "oauth/oauth_signin.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace halvex {

class frm_signin : public QDialog {
  Q_OBJECT

 public:
  // `current` preselects the provider and endpoints of an earlier sign-in.
  frm_signin(const oauth::OAuthGrant& current, oauth::OAuthSignIn::BrowserOpener open_browser,
             QWidget* parent = nullptr);

  QComboBox* provider_box = nullptr;
  QLineEdit* authorize_box = nullptr;
  QLineEdit* token_box = nullptr;
  QLineEdit* scope_box = nullptr;
  QLineEdit* client_id_box = nullptr;
  QLineEdit* client_secret_box = nullptr;
  QLabel* status = nullptr;
  QPushButton* sign_in_button = nullptr;

  // After Accepted: the grant with its refresh token.
  const oauth::OAuthGrant& grant() const { return grant_; }
  // The server text the chosen preset suggests ("" for custom endpoints).
  QString suggested_server() const;

 private:
  void provider_chosen();
  void start();

  oauth::OAuthSignIn signin_;
  oauth::OAuthGrant grant_;
};

}  // namespace halvex
