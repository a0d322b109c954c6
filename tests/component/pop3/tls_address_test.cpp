// "pop3s://" server texts: what the POPMAIN object hands the session, and what the session
// then connects to, with or without TLS. Plain texts must come through exactly as before.
#include <gtest/gtest.h>

#include <string>

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "pop3/server_address.h"
#include "popmain_driver.h"

namespace {

struct TlsAddressRow {
    const char* name;
    const char* text;
    const char* session_host;  // ServerAddress::host, as the session is handed it
    int port;
    bool tls;
    const char* connect_host;  // the name resolved and checked against the certificate
};

class TlsAddressTable : public testing::TestWithParam<TlsAddressRow> {};

TEST_P(TlsAddressTable, ReachesTheSessionAndItsEndpoint) {
    const TlsAddressRow& row = GetParam();
    velmo::ServerAddress a = velmo::parse_server_address(row.text, 110);
    EXPECT_EQ(a.host, row.session_host);
    EXPECT_EQ(a.port, row.port);
    EXPECT_EQ(a.tls, row.tls);
    velmo::SessionEndpoint e = velmo::session_endpoint(a.host, a.port);
    EXPECT_EQ(e.host, row.connect_host);
    EXPECT_EQ(e.port, row.port);
    EXPECT_EQ(e.tls, row.tls);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TlsAddressTable,
    testing::Values(
        TlsAddressRow{"tls_default_port", "pop3s://pop.example.com", "pop3s://pop.example.com", 995, true, "pop.example.com"},
        TlsAddressRow{"tls_port", "pop3s://pop.example.com:1995", "pop3s://pop.example.com", 1995, true, "pop.example.com"},
        TlsAddressRow{"tls_v4", "pop3s://127.0.0.1:995", "pop3s://127.0.0.1", 995, true, "127.0.0.1"},
        TlsAddressRow{"tls_bracketed_v6_port", "pop3s://[::1]:2995", "pop3s://::1", 2995, true, "::1"},
        TlsAddressRow{"tls_bracketed_v6_alone", "pop3s://[::1]", "pop3s://::1", 995, true, "::1"},
        TlsAddressRow{"tls_bare_v6", "pop3s://2001:db8::1", "pop3s://2001:db8::1", 995, true, "2001:db8::1"},
        TlsAddressRow{"scheme_in_capitals", "POP3S://Pop.Example.com", "pop3s://Pop.Example.com", 995, true, "Pop.Example.com"},
        // Not a port: the text stays whole, so it fails to resolve instead of reaching 995.
        TlsAddressRow{"tls_bad_port", "pop3s://h:99999", "pop3s://h:99999", 995, true, "h:99999"},
        TlsAddressRow{"tls_empty_host", "pop3s://", "pop3s://", 995, true, ""},
        // Plain texts, unchanged: ServerPort (110 here) unless a port is written.
        TlsAddressRow{"plain_host", "pop.example.com", "pop.example.com", 110, false, "pop.example.com"},
        TlsAddressRow{"plain_host_port", "pop.example.com:995", "pop.example.com", 995, false, "pop.example.com"},
        TlsAddressRow{"plain_bracketed_v6", "[::1]:2110", "::1", 2110, false, "::1"},
        TlsAddressRow{"other_scheme_is_a_name", "pop3://h", "pop3://h", 110, false, "pop3://h"},
        TlsAddressRow{"scheme_without_slashes", "pop3s:h", "pop3s:h", 110, false, "pop3s:h"}),
    [](const testing::TestParamInfo<TlsAddressRow>& info) { return info.param.name; });

// The worker and tests hand the session a server text and port of their own: the prefix alone
// asks for TLS, and the port handed along is the one used.
// "pop3+starttls://": port 110 unless written, STLS required, never TLS from the first byte.
struct StartTlsRow {
    const char* name;
    const char* text;
    const char* session_host;
    int port;
    const char* connect_host;
};

class StartTlsAddressTable : public testing::TestWithParam<StartTlsRow> {};

TEST_P(StartTlsAddressTable, AsksForStls) {
    const StartTlsRow& row = GetParam();
    velmo::ServerAddress a = velmo::parse_server_address(row.text, 2110);
    EXPECT_EQ(a.host, row.session_host);
    EXPECT_EQ(a.port, row.port);
    EXPECT_FALSE(a.tls);
    EXPECT_TRUE(a.starttls);
    velmo::SessionEndpoint e = velmo::session_endpoint(a.host, a.port);
    EXPECT_EQ(e.host, row.connect_host);
    EXPECT_EQ(e.port, row.port);
    EXPECT_FALSE(e.tls);
    EXPECT_TRUE(e.starttls);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StartTlsAddressTable,
    testing::Values(
        StartTlsRow{"default_port", "pop3+starttls://pop.example.com", "pop3+starttls://pop.example.com", 110, "pop.example.com"},
        StartTlsRow{"port", "pop3+starttls://pop.example.com:2110", "pop3+starttls://pop.example.com", 2110, "pop.example.com"},
        StartTlsRow{"bracketed_v6", "pop3+starttls://[::1]:2111", "pop3+starttls://::1", 2111, "::1"},
        StartTlsRow{"capitals", "POP3+STARTTLS://H", "pop3+starttls://H", 110, "H"}),
    [](const testing::TestParamInfo<StartTlsRow>& info) { return info.param.name; });

// A server that does not upgrade never hears the user name or the password.
TEST(StartTlsLogin, NeverGoesOnInPlainText) {
    namespace tn = halvex::testnet;
    tn::ScriptedPop3Server server(tn::Conversation().greet().on("STLS", tn::err("not here")).on("QUIT", tn::ok()));
    pop3test::PopMainDriver pop;
    pop.set_timeout(5);
    EXPECT_EQ(pop.connect("pop3+starttls://" + server.address(), "u", "p"), 1);
    EXPECT_FALSE(pop.connected());
    EXPECT_EQ(server.lines().front(), "STLS");
    for (const std::string& line : server.lines()) {
        EXPECT_NE(line.rfind("USER", 0), 0u) << line;
        EXPECT_NE(line.rfind("PASS", 0), 0u) << line;
    }
}

TEST(SessionEndpoint, TakesThePortItIsHanded) {
    velmo::SessionEndpoint e = velmo::session_endpoint("pop3s://127.0.0.1", 2995);
    EXPECT_TRUE(e.tls);
    EXPECT_EQ(e.host, "127.0.0.1");
    EXPECT_EQ(e.port, 2995);
    EXPECT_EQ(velmo::session_endpoint("pop3s://[::1]:4995", 110).port, 4995);
    EXPECT_EQ(velmo::session_endpoint("h", 65536 + 110).port, 110);  // low 16 bits, as before
}

}  // namespace
