#include "frm_signin.h"

#include "oauth/oauth_provider.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace halvex {

frm_signin::frm_signin(const oauth::OAuthGrant& current, oauth::OAuthSignIn::BrowserOpener open_browser,
                       QWidget* parent)
    : QDialog(parent), signin_(std::move(open_browser)) {
  setObjectName(QStringLiteral("frm_signin"));
  setWindowTitle(QStringLiteral("Sign in with OAuth2"));
  provider_box = new QComboBox(this);
  provider_box->setObjectName(QStringLiteral("Provider"));
  for (const oauth::OAuthProvider& p : oauth::provider_presets()) provider_box->addItem(p.name, p.id);
  provider_box->addItem(QStringLiteral("Custom endpoints"), oauth::kCustom);
  auto line = [this](const QString& name) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    return box;
  };
  authorize_box = line(QStringLiteral("AuthorizeUrl"));
  token_box = line(QStringLiteral("TokenUrl"));
  scope_box = line(QStringLiteral("Scope"));
  client_id_box = line(QStringLiteral("ClientId"));
  client_secret_box = line(QStringLiteral("ClientSecret"));
  status = new QLabel(this);
  status->setObjectName(QStringLiteral("SignInStatus"));
  status->setWordWrap(true);
  sign_in_button = new QPushButton(QStringLiteral("Sign in…"), this);
  sign_in_button->setObjectName(QStringLiteral("SignIn"));
  sign_in_button->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Provider:"), provider_box);
  form->addRow(QStringLiteral("Authorization URL:"), authorize_box);
  form->addRow(QStringLiteral("Token URL:"), token_box);
  form->addRow(QStringLiteral("Scope:"), scope_box);
  form->addRow(QStringLiteral("Client id:"), client_id_box);
  form->addRow(QStringLiteral("Client secret:"), client_secret_box);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(sign_in_button);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(status);
  layout->addLayout(buttons);

  connect(provider_box, &QComboBox::currentIndexChanged, this, &frm_signin::provider_chosen);
  connect(sign_in_button, &QPushButton::clicked, this, &frm_signin::start);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(&signin_, &oauth::OAuthSignIn::finished, this,
          [this](bool ok, const oauth::OAuthGrant& grant, const oauth::TokenResult&, const QString& cause) {
            sign_in_button->setEnabled(true);
            if (!ok) {
              status->setText(QStringLiteral("Sign-in failed: ") + cause);
              return;
            }
            grant_ = grant;
            accept();
          });

  const int at = provider_box->findData(current.provider.isEmpty() ? oauth::kGoogle : current.provider);
  provider_box->setCurrentIndex(at < 0 ? 0 : at);
  provider_chosen();
  if (current.provider == oauth::kCustom) {
    authorize_box->setText(current.authorize_url);
    token_box->setText(current.token_url);
    scope_box->setText(current.scope);
    client_id_box->setText(current.client_id);
    client_secret_box->setText(current.client_secret);
  }
}

QString frm_signin::suggested_server() const {
  return oauth::preset(provider_box->currentData().toString()).server;
}

void frm_signin::provider_chosen() {
  const QString id = provider_box->currentData().toString();
  const oauth::OAuthProvider p = oauth::preset(id);
  const bool custom = p.id.isEmpty();
  for (QLineEdit* box : {authorize_box, token_box, scope_box}) box->setReadOnly(!custom);
  if (!custom) {
    authorize_box->setText(p.authorize_url);
    token_box->setText(p.token_url);
    scope_box->setText(p.scope);
    client_id_box->setText(oauth::configured_client_id(id));
    client_secret_box->setText(oauth::configured_client_secret(id));
  }
  status->setText(client_id_box->text().isEmpty()
                      ? QStringLiteral("No client id is set for this provider: enter the one registered for "
                                       "Halvex (see the help page).")
                      : QString());
}

void frm_signin::start() {
  oauth::OAuthGrant grant;
  grant.provider = provider_box->currentData().toString();
  grant.authorize_url = authorize_box->text().trimmed();
  grant.token_url = token_box->text().trimmed();
  grant.scope = scope_box->text().trimmed();
  grant.client_id = client_id_box->text().trimmed();
  grant.client_secret = client_secret_box->text().trimmed();
  if (grant.client_id.isEmpty()) {
    status->setText(QStringLiteral("Enter the client id first."));
    return;
  }
  if (!signin_.start(grant, oauth::preset(grant.provider).extra_query)) {
    status->setText(QStringLiteral("The sign-in could not start: check the URLs, or no browser could be opened."));
    return;
  }
  sign_in_button->setEnabled(false);
  status->setText(QStringLiteral("Waiting for the browser: sign in there and allow Halvex to read your mail."));
}

}  // namespace halvex
