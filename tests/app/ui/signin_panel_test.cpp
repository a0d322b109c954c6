// The account dialog's connection kind and "Sign in…": the kind each server text asks for,
// a whole browser sign-in from the dialog against the tests' own authorization server, and
// how the grant file follows Save && Exit.
#include "dialog_test_support.h"
#include "accounts/account_file.h"
#include "oauth/oauth_grant.h"
#include "oauth/oauth_provider.h"
#include "ui/frm_account.h"
#include "ui/frm_signin.h"
#include "ui/signin_panel.h"

#include "net/oauth_server.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include <memory>

namespace halvex {
namespace {

struct KindRow {
  const char* server;
  const char* starts;
};

class ConnectionKind : public testing::TestWithParam<KindRow> {};

TEST_P(ConnectionKind, OfTheServerText) {
  EXPECT_TRUE(connection_kind_text(GetParam().server).startsWith(GetParam().starts))
      << connection_kind_text(GetParam().server).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Table, ConnectionKind,
                         testing::Values(KindRow{"pop.example.com", "Connection: STARTTLS where the server offers it"},
                                         KindRow{"pop.example.com:2110", "Connection: STARTTLS where the server offers it"},
                                         KindRow{"pop3s://pop.example.com", "Connection: TLS from the first byte"},
                                         KindRow{" POP3S://h:995", "Connection: TLS from the first byte"},
                                         KindRow{"pop3+starttls://h", "Connection: STARTTLS before the login"}));

class AccountSignIn : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    folder_ = tmp_.path() + "/";
    reset_account(record_);
  }

  frm_account& open() {
    dialog_ = std::make_unique<frm_account>(record_, folder_);
    dialog_->show();
    return *dialog_;
  }

  QTemporaryDir tmp_;
  QString folder_;
  AccountRecord record_;
  std::unique_ptr<frm_account> dialog_;
};

TEST_F(AccountSignIn, SignInFromTheDialogKeepsTheGrantBesideTheSavedAccount) {
  testnet::OAuthTestServer server("dialog-client", "me");
  frm_account& d = open();
  d.sign_in_panel->set_browser_opener(
      [](const QUrl& url) { return QProcess::startDetached(HALVEX_TEST_BROWSER, {url.toString(QUrl::FullyEncoded)}); });
  EXPECT_EQ(d.sign_in_panel->sign_in_label->text(), "Sign-in: password");
  d.description_box->setText("home");
  d.server_box->setText("pop3+starttls://pop.example.com");
  EXPECT_TRUE(d.sign_in_panel->connection_label->text().startsWith("Connection: STARTTLS before the login"));
  d.user_id_box->setText("me");

  test::when_window<frm_signin>([&](frm_signin* s) {
    s->provider_box->setCurrentIndex(s->provider_box->findData(oauth::kCustom));
    s->authorize_box->setText(QString::fromStdString(server.authorize_url()));
    s->token_box->setText(QString::fromStdString(server.token_url()));
    s->scope_box->setText("pop");
    s->client_id_box->setText("dialog-client");
    s->sign_in_button->click();  // the dialog closes itself once the browser came back
  });
  d.sign_in_panel->sign_in_button->click();
  ASSERT_TRUE(d.sign_in_panel->uses_oauth());
  EXPECT_TRUE(d.sign_in_panel->sign_in_label->text().startsWith("Sign-in: OAuth2"));
  EXPECT_FALSE(oauth::grant_exists(folder_, "home"));  // nothing written before Save

  d.save_button->click();  // no password needed for an OAuth2 account
  EXPECT_EQ(d.result(), QDialog::Accepted);
  oauth::OAuthGrant grant;
  ASSERT_TRUE(oauth::load_grant(folder_, "home", grant));
  EXPECT_EQ(grant.refresh_token.toStdString(), server.last_refresh_token());
  EXPECT_EQ(grant.client_id, "dialog-client");
  AccountRecord stored;
  ASSERT_TRUE(load_account(folder_, "home", stored));
  EXPECT_EQ(stored.password, "");  // the account file keeps its format; no token in it
  EXPECT_FALSE(test::file_bytes(folder_ + "home.dat").contains(grant.refresh_token.toUtf8()));
}

TEST_F(AccountSignIn, UsePasswordDropsTheGrantOnSave) {
  ASSERT_TRUE(oauth::save_grant(folder_, "home", {oauth::kGoogle, "a", "t", "s", "c", "", "rt"}));
  record_.description = "home";
  record_.server = "pop3s://pop.gmail.com";
  record_.user_id = "me";
  frm_account& d = open();
  EXPECT_EQ(d.sign_in_panel->sign_in_label->text(), "Sign-in: OAuth2 (Google (Gmail))");
  d.sign_in_panel->password_button->click();
  EXPECT_FALSE(d.sign_in_panel->uses_oauth());
  QString seen;
  test::expect_message(&seen, &d);
  d.save_button->click();  // a password account needs its password again
  EXPECT_EQ(seen, "Please enter an account password.");
  EXPECT_TRUE(oauth::grant_exists(folder_, "home"));
  d.password_box->setText("secret");
  d.save_button->click();
  EXPECT_FALSE(oauth::grant_exists(folder_, "home"));
}

}  // namespace
}  // namespace halvex
