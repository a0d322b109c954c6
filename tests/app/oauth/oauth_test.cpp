// OAuth2 sign-in against the tests' own authorization server: PKCE by its published
// example, the grant file, token answers as a table, the loopback redirect, the whole
// browser sign-in (a test program plays the browser) and the unattended renewal.
#include "oauth/access_tokens.h"
#include "oauth/loopback_redirect.h"
#include "oauth/oauth_grant.h"
#include "oauth/oauth_provider.h"
#include "oauth/oauth_signin.h"
#include "oauth/pkce.h"
#include "oauth/token_client.h"

#include "net/oauth_server.h"
#include "qt/wait_until.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUrlQuery>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace halvex::oauth {
namespace {

using test::wait_until;

TEST(Pkce, S256ChallengeOfThePublishedExample) {
  EXPECT_EQ(s256_challenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
            QByteArray("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"));
}

TEST(Pkce, VerifiersAreFreshAndUrlSafe) {
  const Pkce a = make_pkce(), b = make_pkce();
  EXPECT_EQ(a.verifier.size(), 43);
  EXPECT_NE(a.verifier, b.verifier);
  for (char c : a.verifier) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_') << c;
  EXPECT_EQ(a.challenge, s256_challenge(a.verifier));
}

TEST(OAuthGrantFile, KeptPrivateBesideTheAccountAndReadBack) {
  QTemporaryDir dir;
  const QString folder = dir.path() + '/';
  const OAuthGrant grant{kCustom, "http://a/authorize", "http://a/token", "pop mail", "client", "", "rt-1=x"};
  ASSERT_TRUE(save_grant(folder, "home", grant));
  struct stat st{};
  ASSERT_EQ(::stat(QFile::encodeName(folder + "home.oauth").constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  OAuthGrant read;
  ASSERT_TRUE(load_grant(folder, "home", read));
  EXPECT_EQ(read, grant);
  EXPECT_FALSE(QFile::exists(folder + "home.dat"));  // the account file is not touched

  OAuthGrant broken = grant;
  broken.refresh_token = "a\r\nclient_id=evil";
  EXPECT_FALSE(save_grant(folder, "home", broken));
  ASSERT_TRUE(load_grant(folder, "home", read));
  EXPECT_EQ(read, grant);  // the refused save left the file as it was
  EXPECT_TRUE(remove_grant(folder, "home"));
  EXPECT_FALSE(grant_exists(folder, "home"));
}

struct AnswerRow {
  const char* name;
  int status;
  const char* body;
  TokenResult::Outcome outcome;
  qint64 expires_in;  // -1: no expiry known
};

class TokenAnswers : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(TokenAnswers, Read) {
  const AnswerRow& row = GetParam();
  const QDateTime now = QDateTime::fromSecsSinceEpoch(1000000, Qt::UTC);
  const TokenResult result = read_token_answer(row.status, row.body, now);
  EXPECT_EQ(result.outcome, row.outcome);
  if (row.expires_in >= 0) {
    EXPECT_EQ(now.secsTo(result.expires), row.expires_in);
  } else {
    EXPECT_FALSE(result.expires.isValid());
  }
  if (!result.ok()) {
    EXPECT_FALSE(result.cause.isEmpty());
  }
  EXPECT_FALSE(result.cause.contains("secret"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, TokenAnswers,
    ::testing::Values(
        AnswerRow{"token", 200, R"({"access_token":"a","expires_in":3599,"refresh_token":"r"})", TokenResult::Outcome::Ok, 3599},
        AnswerRow{"seconds_as_text", 200, R"({"access_token":"a","expires_in":"60"})", TokenResult::Outcome::Ok, 60},
        AnswerRow{"no_expiry", 200, R"({"access_token":"a"})", TokenResult::Outcome::Ok, -1},
        AnswerRow{"revoked", 400, R"({"error":"invalid_grant","error_description":"secret"})", TokenResult::Outcome::GrantRefused, -1},
        AnswerRow{"other_error", 400, R"({"error":"invalid_client"})", TokenResult::Outcome::Failed, -1},
        AnswerRow{"server_error", 500, "<html>oops</html>", TokenResult::Outcome::Failed, -1},
        AnswerRow{"ok_without_token", 200, R"({"token_type":"Bearer"})", TokenResult::Outcome::Failed, -1},
        AnswerRow{"not_json", 200, "access_token=a", TokenResult::Outcome::Failed, -1}),
    [](const auto& info) { return std::string(info.param.name); });

// What a browser gets from the listener for `target`.
QByteArray fetch(quint16 port, const QByteArray& target) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  if (!socket.waitForConnected(5000)) return {};
  socket.write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  QByteArray answer;
  wait_until([&] {
    answer += socket.readAll();
    return socket.state() == QAbstractSocket::UnconnectedState || answer.contains("</html>");
  }, 5000);
  return answer;
}

TEST(LoopbackRedirectTest, OnlyTheMatchingStateCompletesTheSignIn) {
  LoopbackRedirect redirect;
  ASSERT_TRUE(redirect.listen("s1"));
  const QUrl uri(redirect.redirect_uri());
  EXPECT_EQ(uri.host(), "127.0.0.1");
  QStringList codes;
  QObject::connect(&redirect, &LoopbackRedirect::code_received, [&](const QString& c) { codes << c; });
  const quint16 port = static_cast<quint16>(uri.port());
  EXPECT_TRUE(fetch(port, "/?code=stolen&state=other").startsWith("HTTP/1.1 400"));
  EXPECT_TRUE(fetch(port, "/favicon.ico?code=x&state=s1").startsWith("HTTP/1.1 400"));
  EXPECT_TRUE(fetch(port, "/?code=x&state=s1 " + QByteArray(20000, 'a')).startsWith("HTTP/1.1 431"));
  EXPECT_TRUE(codes.isEmpty());
  EXPECT_TRUE(fetch(port, "/?code=c%2B1&state=s1").startsWith("HTTP/1.1 200"));
  EXPECT_EQ(codes, QStringList{"c+1"});
}

class SignInTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }

  OAuthGrant template_grant() const {
    return {kCustom, QString::fromStdString(server.authorize_url()), QString::fromStdString(server.token_url()),
            "pop", "halvex-test-client", "", ""};
  }

  // A browser sign-in, the test browser following the redirects; the grant on success.
  bool sign_in(OAuthGrant& grant, QString* cause = nullptr) {
    OAuthSignIn signin([](const QUrl& url) {
      return QProcess::startDetached(HALVEX_TEST_BROWSER, {url.toString(QUrl::FullyEncoded)});
    });
    bool finished = false, ok = false;
    QObject::connect(&signin, &OAuthSignIn::finished,
                     [&](bool good, const OAuthGrant& g, const TokenResult& tokens, const QString& why) {
                       finished = true;
                       ok = good && !tokens.access_token.isEmpty();
                       grant = g;
                       if (cause) *cause = why;
                     });
    if (!signin.start(template_grant())) return false;
    return wait_until([&] { return finished; }) && ok;
  }

  TokenOutcome token_for(AccessTokens& tokens, const QString& name) {
    tokens.begin(folder(), name);
    wait_until([&] { return tokens.done(); });
    return tokens.outcome();
  }

  QString folder() const { return dir.path() + '/'; }

  QTemporaryDir dir;
  testnet::OAuthTestServer server{"halvex-test-client", "mailuser"};
};

TEST_F(SignInTest, BrowserSignInGetsARefreshToken) {
  OAuthGrant grant;
  ASSERT_TRUE(sign_in(grant));
  EXPECT_EQ(server.exchange_count(), 1);
  EXPECT_EQ(grant.refresh_token.toStdString(), server.last_refresh_token());
  EXPECT_EQ(grant.client_id, "halvex-test-client");
}

TEST_F(SignInTest, AuthorizationUrlCarriesPkceAndTheLoopbackRedirect) {
  OAuthGrant grant = template_grant();
  const QUrl url = authorization_url(grant, "http://127.0.0.1:5/", "st", "ch", "access_type=offline&prompt=consent");
  const QUrlQuery query(url);
  EXPECT_EQ(query.queryItemValue("code_challenge_method"), "S256");
  EXPECT_EQ(query.queryItemValue("code_challenge"), "ch");
  EXPECT_EQ(query.queryItemValue("redirect_uri", QUrl::FullyDecoded), "http://127.0.0.1:5/");
  EXPECT_EQ(query.queryItemValue("access_type"), "offline");
  EXPECT_EQ(query.queryItemValue("state"), "st");
  grant.client_id.clear();
  OAuthSignIn signin([](const QUrl&) { return true; });
  EXPECT_FALSE(signin.start(grant));  // never without a client id
}

TEST_F(SignInTest, RenewsUnattendedKeepsFreshTokensAndSavesARotatedRefreshToken) {
  OAuthGrant grant;
  ASSERT_TRUE(sign_in(grant));
  ASSERT_TRUE(save_grant(folder(), "home", grant));
  AccessTokens tokens;

  TokenOutcome first = token_for(tokens, "home");
  ASSERT_EQ(first.kind, TokenOutcome::Kind::Ok) << first.cause.toStdString();
  EXPECT_EQ(server.refresh_count(), 1);
  EXPECT_EQ(token_for(tokens, "home").access_token, first.access_token);  // an hour left: kept
  EXPECT_EQ(server.refresh_count(), 1);

  server.set_expires_in(60);  // inside the renewal margin: renewed before every use
  server.set_rotate_refresh(true);
  tokens.forget("home");
  TokenOutcome second = token_for(tokens, "home");
  ASSERT_EQ(second.kind, TokenOutcome::Kind::Ok);
  EXPECT_NE(second.access_token, first.access_token);
  OAuthGrant stored;
  ASSERT_TRUE(load_grant(folder(), "home", stored));
  EXPECT_EQ(stored.refresh_token.toStdString(), server.last_refresh_token());
  EXPECT_NE(stored.refresh_token, grant.refresh_token);
  EXPECT_EQ(token_for(tokens, "home").kind, TokenOutcome::Kind::Ok);  // the rotated one works
  EXPECT_EQ(server.refresh_count(), 3);

  EXPECT_EQ(token_for(tokens, "nobody").kind, TokenOutcome::Kind::NoGrant);
}

TEST_F(SignInTest, RevokedGrantIsRefusedWithACause) {
  OAuthGrant grant;
  ASSERT_TRUE(sign_in(grant));
  ASSERT_TRUE(save_grant(folder(), "home", grant));
  server.revoke_all();
  AccessTokens tokens;
  const TokenOutcome outcome = token_for(tokens, "home");
  EXPECT_EQ(outcome.kind, TokenOutcome::Kind::GrantRefused);
  EXPECT_TRUE(outcome.cause.contains("sign in again")) << outcome.cause.toStdString();
  EXPECT_FALSE(outcome.cause.contains(grant.refresh_token));
  EXPECT_TRUE(grant_exists(folder(), "home"));
}

TEST_F(SignInTest, UnreachableTokenServiceFailsWithoutHanging) {
  OAuthGrant grant = template_grant();
  grant.token_url = "http://127.0.0.1:1/token";
  grant.refresh_token = "rt";
  ASSERT_TRUE(save_grant(folder(), "home", grant));
  AccessTokens tokens;
  const TokenOutcome outcome = token_for(tokens, "home");
  EXPECT_EQ(outcome.kind, TokenOutcome::Kind::Failed);
  EXPECT_FALSE(outcome.cause.isEmpty());
}

}  // namespace
}  // namespace halvex::oauth
