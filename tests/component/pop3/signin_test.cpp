// How the session reaches a mailbox: "pop3+starttls://" on Dovecot's plain port (the upgrade,
// and the refusal where STLS is missing), and OAuth2 sign-ins against Dovecot's oauth2 passdb
// and the tests' own token introspection.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "frame/ipopsignin.h"
#include "net/dovecot_harness.h"
#include "net/oauth_server.h"
#include "popmain_driver.h"

namespace tn = halvex::testnet;
using pop3test::Bstr;
using pop3test::PopMainDriver;

namespace {

// The POPMAIN object's second interface.
struct SignIn {
    explicit SignIn(PopMainDriver& pop) {
        void* found = nullptr;
        EXPECT_EQ(pop->QueryInterface(IID_IPOPSIGNIN, &found), S_OK);
        p = static_cast<IPOPSIGNIN*>(found);
    }
    ~SignIn() {
        if (p) p->Release();
    }
    void token(const std::string& t) {
        Bstr b(t);
        EXPECT_EQ(p->put_AccessToken(b.get()), S_OK);
    }
    std::string connection() {
        Bstr b;
        EXPECT_EQ(p->get_ConnectionKind(b.out()), S_OK);
        return b.text();
    }
    std::string kind() {
        Bstr b;
        EXPECT_EQ(p->get_SignInKind(b.out()), S_OK);
        return b.text();
    }
    IPOPSIGNIN* p = nullptr;
};

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string temp_log(const char* name) {
    std::string path = ::testing::TempDir() + "/signin-" + name + "-" + std::to_string(::getpid()) + ".log";
    std::remove(path.c_str());
    return path;
}

// One Dovecot with TLS (so its plain port offers STLS) and OAuth2 sign-ins, one without TLS,
// and the introspection service, shared by the suite.
class SignInDovecot : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        oauth = new tn::OAuthTestServer("client", "oauthuser");
        tn::DovecotOptions options;
        options.tls = true;
        options.extra_users = {{"oauthuser", "not-used-by-oauth"}};
        options.oauth2_introspection_url = oauth->introspect_url();
        with_stls = new tn::DovecotHarness(options);
        without_stls = new tn::DovecotHarness();
    }
    static void TearDownTestSuite() {
        delete with_stls;
        delete without_stls;
        delete oauth;
    }
    void SetUp() override {
        with_stls->clear_all_mail();
        pop.set_timeout(10);
    }

    static tn::OAuthTestServer* oauth;
    static tn::DovecotHarness* with_stls;
    static tn::DovecotHarness* without_stls;
    PopMainDriver pop;
};
tn::OAuthTestServer* SignInDovecot::oauth = nullptr;
tn::DovecotHarness* SignInDovecot::with_stls = nullptr;
tn::DovecotHarness* SignInDovecot::without_stls = nullptr;

TEST_F(SignInDovecot, StartTlsSchemeUpgradesToo) {
    ASSERT_EQ(pop.connect("pop3+starttls://127.0.0.1:" + std::to_string(with_stls->port()), with_stls->user().name,
                          with_stls->user().password),
              0);
    EXPECT_EQ(SignIn(pop).connection(), "STARTTLS");
    pop.close();
}

TEST_F(SignInDovecot, StartTlsSchemeRefusesAServerWithoutStls) {
    const std::string log = temp_log("nostls");
    pop.set_log(log);
    EXPECT_EQ(pop.connect("pop3+starttls://" + without_stls->address(), without_stls->user().name,
                          without_stls->user().password),
              1);
    EXPECT_FALSE(pop.connected());
    EXPECT_EQ(read_file(log).find("PASS"), std::string::npos);
    EXPECT_EQ(read_file(log).find("USER "), std::string::npos);
    // The same server by its plain text: plain USER and PASS, as before.
    ASSERT_EQ(pop.connect(without_stls->address(), without_stls->user().name, without_stls->user().password), 0);
    EXPECT_EQ(SignIn(pop).connection(), "plain");
    pop.close();
}

// A plain server text upgrades where the server lists STLS: the user name and the password
// only ever travel inside TLS, and CAPA is asked again once protected.
TEST_F(SignInDovecot, PlainTextUpgradesWhereStlsIsListed) {
    const std::string log = temp_log("upgrade");
    pop.set_log(log);
    ASSERT_EQ(pop.connect(with_stls->address(), with_stls->user().name, with_stls->user().password), 0)
        << with_stls->log();
    EXPECT_EQ(SignIn(pop).connection(), "STARTTLS");
    EXPECT_EQ(SignIn(pop).kind(), "USER");
    EXPECT_EQ(pop.total(), 0);
    pop.close();
    const std::string text = read_file(log);
    const std::size_t stls = text.find("STLS\r\n+OK");
    ASSERT_NE(stls, std::string::npos) << text;
    EXPECT_GT(text.find("USER "), stls);
    EXPECT_NE(text.find("CAPA", stls), std::string::npos) << text;
}

// Dovecot lists OAUTHBEARER beside XOAUTH2: the standard mechanism is taken.
TEST_F(SignInDovecot, AccessTokenSignsInWithOauthbearer) {
    with_stls->maildir("oauthuser").add("Subject: via token\r\n\r\nbody\r\n");
    SignIn sign_in(pop);
    sign_in.token(oauth->issue_access_token());
    const std::string starttls = "pop3+starttls://" + with_stls->address();
    ASSERT_EQ(pop.connect(starttls, "oauthuser", ""), 0) << with_stls->log();
    EXPECT_EQ(sign_in.kind(), "AUTH OAUTHBEARER");
    EXPECT_EQ(sign_in.connection(), "STARTTLS");
    EXPECT_EQ(pop.total(), 1);
    EXPECT_GE(oauth->introspect_count(), 1);
    pop.close();

    // A token the provider no longer accepts fails the login; the password is never tried.
    oauth->expire_access_tokens();
    EXPECT_EQ(pop.connect(starttls, "oauthuser", "not-used-by-oauth"), 1);
    EXPECT_FALSE(pop.connected());
    // The cause is the server's final answer, not the cancelled exchange.
    EXPECT_NE(pop.cause().text.find("-ERR"), std::string::npos) << pop.cause().text;
    // Without a token the same object logs in with the password again.
    sign_in.token("");
    EXPECT_EQ(pop.connect(with_stls->address(), with_stls->user().name, with_stls->user().password), 0);
    EXPECT_EQ(sign_in.kind(), "USER");
    pop.close();
}

}  // namespace
