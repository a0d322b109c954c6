// The login between the greeting and the mailbox: which STLS, UTF8 and sign-in steps a CAPA
// answer leads to, and the exact exchanges against scripted servers for the replies Dovecot
// will not give (no USER, UTF8 with held-back headers, no STLS on a pop3+starttls:// port).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "pop3/login_plan.h"
#include "pop3/pop3_session.h"
#include "pop3/sasl.h"

namespace {

namespace tn = halvex::testnet;
using velmo::Capabilities;
using velmo::SignInKind;
using velmo::StartTlsStep;
using Lines = std::vector<std::string>;

Capabilities caps_of(const Lines& lines) {
    std::string reply = "+OK\r\n";
    for (const auto& l : lines) reply += l + "\r\n";
    return Capabilities::from_reply(reply + ".\r\n");
}

std::string capa_reply(const Lines& lines) {
    std::string reply = "+OK Capability list follows\r\n";
    for (const auto& l : lines) reply += l + "\r\n";
    return reply + ".\r\n";
}

struct PlanRow {
    const char* name;
    Lines caps;
    StartTlsStep plain, starttls, tls;  // for a plain, a pop3+starttls:// and a pop3s:// text
    bool utf8;
    SignInKind password, apop, token;
};

class LoginPlanTable : public testing::TestWithParam<PlanRow> {};

TEST_P(LoginPlanTable, FollowsTheServersCapabilities) {
    const PlanRow& row = GetParam();
    const Capabilities caps = caps_of(row.caps);
    EXPECT_EQ(velmo::starttls_step(velmo::session_endpoint("h", 110), caps), row.plain);
    EXPECT_EQ(velmo::starttls_step(velmo::session_endpoint("pop3+starttls://h", 110), caps), row.starttls);
    EXPECT_EQ(velmo::starttls_step(velmo::session_endpoint("pop3s://h", 995), caps), row.tls);
    EXPECT_EQ(velmo::wants_utf8(caps), row.utf8);
    EXPECT_EQ(velmo::sign_in_kind_for(caps, false, false), row.password);
    EXPECT_EQ(velmo::sign_in_kind_for(caps, true, false), row.apop);
    EXPECT_EQ(velmo::sign_in_kind_for(caps, false, true), row.token);
}

constexpr auto None = StartTlsStep::None;
constexpr auto Upgrade = StartTlsStep::Upgrade;
constexpr auto Missing = StartTlsStep::Missing;

INSTANTIATE_TEST_SUITE_P(
    Rows, LoginPlanTable,
    testing::Values(
        // No CAPA answer: the exchange of old; a pop3+starttls:// server is still asked.
        PlanRow{"no_capabilities", {}, None, Upgrade, None, false, SignInKind::UserPass, SignInKind::Apop,
                SignInKind::XOAuth2},
        PlanRow{"dovecot_plain_port_with_tls",
                {"TOP", "UIDL", "USER", "STLS", "SASL PLAIN XOAUTH2 OAUTHBEARER"},
                Upgrade, Upgrade, None, false, SignInKind::UserPass, SignInKind::Apop, SignInKind::OAuthBearer},
        PlanRow{"list_without_stls", {"TOP", "USER", "SASL PLAIN"}, None, Missing, None, false,
                SignInKind::UserPass, SignInKind::Apop, SignInKind::XOAuth2},
        PlanRow{"plain_without_user", {"SASL LOGIN PLAIN", "UTF8"}, None, Missing, None, true, SignInKind::Plain,
                SignInKind::Apop, SignInKind::XOAuth2},
        // Letter case and tabs do not matter; a word merely containing PLAIN is not PLAIN.
        PlanRow{"case_and_tabs", {"stls", "sasl\tplain", "utf8 user"}, Upgrade, Upgrade, None, true,
                SignInKind::Plain, SignInKind::Apop, SignInKind::XOAuth2},
        PlanRow{"plain_only_as_part_of_a_word", {"SASL PLAINTEXT X-PLAIN"}, None, Missing, None, false,
                SignInKind::UserPass, SignInKind::Apop, SignInKind::XOAuth2},
        // PLAIN under another keyword is no SASL mechanism.
        PlanRow{"plain_outside_sasl", {"IMPLEMENTATION PLAIN", "X-SASL OAUTHBEARER"}, None, Missing, None, false,
                SignInKind::UserPass, SignInKind::Apop, SignInKind::XOAuth2}),
    [](const testing::TestParamInfo<PlanRow>& info) { return info.param.name; });

// A session against one scripted server, with a short timeout.
struct Scripted {
    explicit Scripted(tn::Conversation c) : server(std::move(c)) { session.set_timeout_ms(5000); }
    bool login(const std::string& prefix = "") {
        return session.LoginUserPass(prefix + server.host(), "bob", "pw", server.port());
    }
    tn::ScriptedPop3Server server;
    velmo::Pop3Session session;
};

const std::string kEightBitHeader = "From: J\xC3\xB6rg <joerg@example.de>\r\nSubject: Gr\xC3\xBC\xC3\x9F" "e\r\n";

// The server holds back 8-bit headers (a stand-in header) unless the client sent UTF8.
TEST(Utf8Login, UnlocksTheRealHeaderBeforeTheLogin) {
    Scripted s(tn::Conversation()
                   .greet()
                   .on("CAPA", capa_reply({"TOP", "USER", "UTF8"}))
                   .on("UTF8", tn::ok("UTF8 enabled"))
                   .login("bob", "pw")
                   .on("STAT", tn::stat_reply(1, 100))
                   .on("LIST", tn::list_reply({100}))
                   .on("TOP 1 0", tn::multi_line("+OK", {"From: J\xC3\xB6rg <joerg@example.de>", "Subject: Gr\xC3\xBC\xC3\x9F" "e", ""}))
                   .quit());
    ASSERT_TRUE(s.login()) << s.session.last_failure().text;
    EXPECT_TRUE(s.session.utf8());
    ASSERT_TRUE(s.session.List());
    std::string header;
    ASSERT_TRUE(s.session.Top(1, header));
    EXPECT_EQ(header.substr(0, kEightBitHeader.size()), kEightBitHeader);
    s.session.CloseSession();
    EXPECT_EQ(s.server.lines(), (Lines{"CAPA", "UTF8", "USER bob", "PASS pw", "STAT", "LIST", "TOP 1 0", "QUIT"}));
    EXPECT_TRUE(s.server.problems().empty()) << s.server.problems().front();
}

// Without UTF8 in the list nothing is sent; a refused UTF8 is no failure.
TEST(Utf8Login, OnlyWhereListedAndARefusalIsNoFailure) {
    Scripted unlisted(tn::Conversation().greet().on("CAPA", capa_reply({"TOP", "USER"})).login("bob", "pw").quit());
    ASSERT_TRUE(unlisted.login());
    EXPECT_FALSE(unlisted.session.utf8());
    unlisted.session.CloseSession();
    EXPECT_EQ(unlisted.server.lines(), (Lines{"CAPA", "USER bob", "PASS pw", "QUIT"}));

    Scripted refused(tn::Conversation()
                         .greet()
                         .on("CAPA", capa_reply({"UTF8"}))
                         .on("UTF8", tn::err("not now"))
                         .login("bob", "pw")
                         .quit());
    ASSERT_TRUE(refused.login()) << refused.session.last_failure().text;
    EXPECT_FALSE(refused.session.utf8());
    refused.session.CloseSession();
    EXPECT_EQ(refused.server.lines(), (Lines{"CAPA", "UTF8", "USER bob", "PASS pw", "QUIT"}));
}

TEST(SaslLogin, AuthPlainWhereUserIsNotOffered) {
    Scripted s(tn::Conversation()
                   .greet()
                   .on("CAPA", capa_reply({"TOP", "SASL PLAIN"}))
                   .on("AUTH PLAIN", "+ \r\n")
                   .on(velmo::sasl_plain("bob", "pw"), tn::ok("Logged in."))
                   .quit());
    ASSERT_TRUE(s.login()) << s.session.last_failure().text;
    EXPECT_EQ(s.session.sign_in_kind(), "AUTH PLAIN");
    EXPECT_EQ(s.session.connection_kind(), "plain");
    s.session.CloseSession();
    // base64("\0bob\0pw")
    EXPECT_EQ(s.server.lines(), (Lines{"CAPA", "AUTH PLAIN", "AGJvYgBwdw==", "QUIT"}));
}

TEST(SaslLogin, RefusedAuthPlainFailsWithTheServersWords) {
    Scripted s(tn::Conversation()
                   .greet()
                   .on("CAPA", capa_reply({"SASL PLAIN"}))
                   .on("AUTH PLAIN", "+ \r\n")
                   .on(velmo::sasl_plain("bob", "pw"), tn::err("[AUTH] Authentication failed."))
                   .on("QUIT", tn::ok()));
    EXPECT_FALSE(s.login());
    EXPECT_FALSE(s.session.connected());
    EXPECT_NE(s.session.last_failure().text.find("-ERR [AUTH] Authentication failed."), std::string::npos)
        << s.session.last_failure().text;
}

// A server that lists XOAUTH2 but not OAUTHBEARER gets XOAUTH2; its error report is answered
// with an empty line, after which its final -ERR is the cause.
TEST(SaslLogin, Xoauth2WhereOauthbearerIsNotListed) {
    const std::string response = velmo::sasl_xoauth2("bob@example.com", "tok-1");
    Scripted s(tn::Conversation()
                   .greet()
                   .on("CAPA", capa_reply({"USER", "SASL PLAIN XOAUTH2"}))
                   .on("AUTH XOAUTH2", "+ \r\n")
                   .on(response, "+ eyJzdGF0dXMiOiI0MDAifQ==\r\n")
                   .on("", tn::err("[AUTH] Invalid token"))
                   .on("QUIT", tn::ok()));
    s.session.set_access_token("tok-1");
    EXPECT_FALSE(s.session.LoginUserPass(s.server.host(), "bob@example.com", "", s.server.port()));
    EXPECT_NE(s.session.last_failure().text.find("Invalid token"), std::string::npos) << s.session.last_failure().text;
    EXPECT_EQ(s.server.lines(), (Lines{"CAPA", "AUTH XOAUTH2", response, "", "QUIT"}));
}

TEST(SaslLogin, ATokenWithAControlCharacterIsNeverSent) {
    Scripted s(tn::Conversation().greet().on("CAPA", capa_reply({"SASL OAUTHBEARER"})).on("QUIT", tn::ok()));
    s.session.set_access_token(std::string("tok\x01" "user=other", 15));
    EXPECT_FALSE(s.login());
    EXPECT_EQ(s.server.lines(), (Lines{"CAPA", "QUIT"}));
}

// No plain text after a STARTTLS that did not happen: not listed on a pop3+starttls:// port,
// or listed and then refused on a plain one.
TEST(StartTlsRequired, ThePasswordNeverTravelsInPlainText) {
    Scripted unlisted(tn::Conversation().greet().on("CAPA", capa_reply({"TOP", "USER"})).on("QUIT", tn::ok()));
    EXPECT_FALSE(unlisted.login("pop3+starttls://"));
    EXPECT_NE(unlisted.session.last_failure().text.find("STARTTLS"), std::string::npos);
    EXPECT_EQ(unlisted.server.lines(), (Lines{"CAPA", "QUIT"}));

    Scripted refused(tn::Conversation()
                         .greet()
                         .on("CAPA", capa_reply({"USER", "STLS"}))
                         .on("STLS", tn::err("TLS is out of order"))
                         .on("QUIT", tn::ok()));
    EXPECT_FALSE(refused.login());
    EXPECT_FALSE(refused.session.connected());
    EXPECT_EQ(refused.server.lines(), (Lines{"CAPA", "STLS", "QUIT"}));

    // The server says yes, then speaks no TLS: the handshake fails and so does the login.
    Scripted fake(tn::Conversation()
                      .greet()
                      .on("CAPA", capa_reply({"USER", "STLS"}))
                      .on("STLS", tn::ok("Begin TLS negotiation now.") + "+OK this is no TLS\r\n")
                      .close());
    EXPECT_FALSE(fake.login());
    EXPECT_FALSE(fake.session.connected());
    for (const std::string& line : fake.server.lines()) EXPECT_EQ(line.find("pw"), std::string::npos) << line;
}

}  // namespace
