// halvex --once with an account that signs in with OAuth2: a browser sign-in against the
// tests' own authorization server (a test program plays the browser), then cycles against
// a Dovecot whose oauth2 passdb asks the same server's introspection: a cycle with the
// token, renewal with the refresh token, a revoked grant, and Test Rules with the token.
#include "accounts/account_file.h"
#include "accounts/account_record.h"
#include "oauth/oauth_grant.h"
#include "oauth/oauth_provider.h"
#include "oauth/oauth_signin.h"
#include "testrun/test_run.h"

#include "net/dovecot_harness.h"
#include "net/oauth_server.h"
#include "qt/wait_until.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "once_environment.h"
#include "qt_print.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

struct OnceResult {
  int exit_code = -1;
  QStringList lines;
  QString errors;
};

class OnceOAuthTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    server = new testnet::OAuthTestServer("halvex-once-client", "oauthuser");
    testnet::DovecotOptions options;
    options.extra_users = {{"oauthuser", "unused"}};
    options.oauth2_introspection_url = server->introspect_url();
    dovecot = new testnet::DovecotHarness(options);
  }
  static void TearDownTestSuite() {
    delete dovecot;
    delete server;
  }

  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir().mkpath(folder()));
    dovecot->clear_all_mail();
  }

  QString folder() const { return home.filePath("halvex") + '/'; }

  // The browser sign-in, as "Sign in…" runs it; the grant is saved beside the account.
  void sign_in() {
    oauth::OAuthSignIn signin([](const QUrl& url) {
      return QProcess::startDetached(HALVEX_TEST_BROWSER, {url.toString(QUrl::FullyEncoded)});
    });
    bool finished = false;
    oauth::OAuthGrant grant;
    QObject::connect(&signin, &oauth::OAuthSignIn::finished,
                     [&](bool ok, const oauth::OAuthGrant& g, const oauth::TokenResult&, const QString& cause) {
                       finished = true;
                       EXPECT_TRUE(ok) << cause.toStdString();
                       grant = g;
                     });
    ASSERT_TRUE(signin.start({oauth::kCustom, QString::fromStdString(server->authorize_url()),
                              QString::fromStdString(server->token_url()), "pop", "halvex-once-client", "", ""}));
    ASSERT_TRUE(test::wait_until([&] { return finished; }));
    ASSERT_FALSE(grant.refresh_token.isEmpty());
    ASSERT_TRUE(oauth::save_grant(folder(), "home", grant));
  }

  void save_account_for(const char* user) {
    AccountRecord r;
    r.description = "home";
    r.server = QString::fromStdString(dovecot->address());
    r.user_id = user;
    r.password = "unused";
    r.from_list = {"spam.example"};
    ASSERT_TRUE(save_account(folder(), r.description, r));
  }

  OnceResult run_once() {
    QProcess process;
    process.setProcessEnvironment(once_environment(folder(), home.path()));
    process.start(QStringLiteral(HALVEX_PROGRAM), {"--once"});
    OnceResult result;
    if (!process.waitForFinished(60000)) {
      process.kill();
      process.waitForFinished();
      return result;
    }
    result.exit_code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
      result.lines.append(line.mid(11));
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
  }

  static std::string mail(const std::string& from, const std::string& subject) {
    return "From: " + from + "\r\nSubject: " + subject + "\r\n\r\nbody\r\n";
  }

  static testnet::OAuthTestServer* server;
  static testnet::DovecotHarness* dovecot;
  QTemporaryDir home;
};
testnet::OAuthTestServer* OnceOAuthTest::server = nullptr;
testnet::DovecotHarness* OnceOAuthTest::dovecot = nullptr;

TEST_F(OnceOAuthTest, CyclesWithTheTokenRenewedFromTheRefreshToken) {
  sign_in();
  save_account_for("oauthuser");
  dovecot->maildir("oauthuser").add_all({mail("deals@spam.example", "one"), mail("amy@ham.example", "two")});
  const int refreshes = server->refresh_count();

  const OnceResult first = run_once();
  EXPECT_EQ(first.exit_code, 0) << first.errors.toStdString() << dovecot->log();
  EXPECT_TRUE(first.lines.contains("Connected to account: home over plain text, signed in with AUTH OAUTHBEARER."))
      << first.lines.join('\n').toStdString();
  EXPECT_TRUE(first.lines.contains("Message 1 of 2 in account: home marked for deletion."));
  EXPECT_EQ(dovecot->maildir("oauthuser").count(), 1u);
  EXPECT_EQ(server->refresh_count(), refreshes + 1);  // a new process renews unattended

  // The access tokens of the last run are gone; the next cycle renews and signs in again.
  server->expire_access_tokens();
  const OnceResult second = run_once();
  EXPECT_EQ(second.exit_code, 0) << second.errors.toStdString();
  EXPECT_EQ(server->refresh_count(), refreshes + 2);
  EXPECT_TRUE(second.lines.contains("Processed 1 of 1 in account: home"));
  // The refresh token stays out of the status log.
  oauth::OAuthGrant grant;
  ASSERT_TRUE(oauth::load_grant(folder(), "home", grant));
  EXPECT_FALSE((first.lines + second.lines).join('\n').contains(grant.refresh_token));
}

// Test Rules signs in as the filter cycle does, with the account's token: its password is
// wrong here, so only the token gets in. A test run deletes nothing.
TEST_F(OnceOAuthTest, TestRulesSignsInWithTheToken) {
  sign_in();
  save_account_for("oauthuser");
  dovecot->maildir("oauthuser").add_all({mail("deals@spam.example", "one"), mail("amy@ham.example", "two")});
  AccountRecord account;
  ASSERT_TRUE(load_account(folder(), "home", account));
  account.password = "not-the-password";
  TestRun run;
  int deleted = -1, total = -1;
  QString failure;
  QObject::connect(&run, &TestRun::finished, [&](qint32 d, qint32 t) { deleted = d, total = t; });
  QObject::connect(&run, &TestRun::failed, [&](const QString& cause) { failure = cause; });
  run.start(account, 10, folder(), "home");
  test::wait_until([&] { return total >= 0 || !failure.isEmpty(); }, 30000);
  EXPECT_TRUE(failure.isEmpty()) << failure.toStdString() << dovecot->log();
  EXPECT_EQ(total, 2);
  EXPECT_EQ(deleted, 1);
  EXPECT_EQ(dovecot->maildir("oauthuser").count(), 2u);
}

TEST_F(OnceOAuthTest, RevokedGrantFailsTheLoginWithItsCause) {
  sign_in();
  save_account_for("oauthuser");
  dovecot->maildir("oauthuser").add(mail("deals@spam.example", "one"));
  server->revoke_all();
  const OnceResult run = run_once();
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.lines.mid(3, 4),
            (QStringList{"Logging into account: home",
                         "Sign-in failed for: home (the sign-in was revoked or has expired; sign in again)",
                         "Error logging into: home", "Continuing to next email account."}));
  EXPECT_EQ(dovecot->maildir("oauthuser").count(), 1u);
}

}  // namespace
}  // namespace halvex
