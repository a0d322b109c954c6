#include "signin_panel.h"

#include "frm_signin.h"

#include "oauth/oauth_provider.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace halvex {

QString connection_kind_text(const QString& server) {
  const QString s = server.trimmed().toLower();
  if (s.startsWith(QStringLiteral("pop3s://")))
    return QStringLiteral("Connection: TLS from the first byte (port 995 unless given).");
  if (s.startsWith(QStringLiteral("pop3+starttls://")))
    return QStringLiteral("Connection: STARTTLS before the login; it fails when the server refuses it.");
  return QStringLiteral("Connection: STARTTLS where the server offers it (then required: a failed "
                        "upgrade fails the login), else plain text with the password unencrypted; "
                        "write pop3+starttls:// to insist on it, or pop3s://.");
}

SignInPanel::SignInPanel(QWidget* parent)
    : QWidget(parent), open_browser_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  setObjectName(QStringLiteral("SignInPanel"));
  connection_label = new QLabel(this);
  connection_label->setObjectName(QStringLiteral("ConnectionKind"));
  connection_label->setWordWrap(true);
  connection_label->setForegroundRole(QPalette::PlaceholderText);
  sign_in_label = new QLabel(this);
  sign_in_label->setObjectName(QStringLiteral("SignInKind"));
  sign_in_button = new QPushButton(QStringLiteral("Sign in…"), this);
  sign_in_button->setObjectName(QStringLiteral("SignIn"));
  password_button = new QPushButton(QStringLiteral("Use Password"), this);
  password_button->setObjectName(QStringLiteral("UsePassword"));
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(connection_label, 0, 0, 1, 3);
  grid->addWidget(sign_in_label, 1, 0);
  grid->addWidget(sign_in_button, 1, 1);
  grid->addWidget(password_button, 1, 2);
  grid->setColumnStretch(0, 1);
  connect(sign_in_button, &QPushButton::clicked, this, &SignInPanel::sign_in);
  connect(password_button, &QPushButton::clicked, this, [this] {
    grant_.reset();
    show_sign_in();
  });
  show_server({});
  show_sign_in();
}

void SignInPanel::load(const QString& folder, const QString& name) {
  grant_.reset();
  oauth::OAuthGrant grant;
  if (!name.isEmpty() && oauth::load_grant(folder, name, grant)) grant_ = grant;
  show_sign_in();
}

void SignInPanel::show_server(const QString& server) { connection_label->setText(connection_kind_text(server)); }

void SignInPanel::show_sign_in() {
  if (!grant_) {
    sign_in_label->setText(QStringLiteral("Sign-in: password"));
  } else {
    const oauth::OAuthProvider p = oauth::preset(grant_->provider);
    sign_in_label->setText(QStringLiteral("Sign-in: OAuth2 (") + (p.id.isEmpty() ? grant_->token_url : p.name) +
                           QStringLiteral(")"));
  }
  password_button->setEnabled(grant_.has_value());
}

void SignInPanel::sign_in() {
  frm_signin dialog(grant_.value_or(oauth::OAuthGrant{}), open_browser_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  grant_ = dialog.grant();
  show_sign_in();
  if (const QString server = dialog.suggested_server(); !server.isEmpty()) emit server_suggested(server);
}

bool SignInPanel::commit(const QString& folder, const QString& name) const {
  if (!grant_) return oauth::remove_grant(folder, name);
  return oauth::save_grant(folder, name, *grant_);
}

}  // namespace halvex
