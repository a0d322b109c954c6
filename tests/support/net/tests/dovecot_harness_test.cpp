// The test Dovecot, spoken to in raw POP3: it starts, serves the mail the test put in, in
// order, logs users in with USER/PASS and APOP, deletes, and fails loudly when it cannot start.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "net/dovecot_fixture.h"
#include "net/raw_pop3_client.h"
#include "net/run_program.h"

namespace halvex::testnet {
namespace {

using namespace std::chrono_literals;

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// MD5 in hex through the openssl tool (the component's own MD5 is not this library's business).
std::string md5_hex(const std::filesystem::path& folder, const std::string& text) {
    auto in = folder / "md5.in", out = folder / "md5.out";
    std::ofstream(in, std::ios::binary) << text;
    std::filesystem::remove(out);
    EXPECT_EQ(run_program({"openssl", "dgst", "-md5", "-r", in.string()}, out.string()), 0);
    return slurp(out).substr(0, 32);
}

// The count of a "+OK <count> <size>" STAT reply with a numeric size; -1 for anything else.
long stat_count(const std::optional<std::string>& reply) {
    if (!reply) return -1;
    long count = -1, size = -1;
    char end[3] = {};
    if (std::sscanf(reply->c_str(), "+OK %ld %ld%2c", &count, &size, end) != 3 || std::string(end) != "\r\n") return -1;
    return size >= 0 ? count : -1;
}

// The APOP time stamp of a greeting: from the first "<" through the next ">".
std::string time_stamp(const std::string& greeting) {
    auto open = greeting.find('<');
    auto close = open == std::string::npos ? open : greeting.find('>', open);
    return close == std::string::npos ? std::string() : greeting.substr(open, close - open + 1);
}

class DovecotHarnessTest : public DovecotTest {
protected:
    // Connects and logs in user() with USER/PASS.
    std::unique_ptr<RawPop3Client> login(Family family = Family::v4) {
        auto c = std::make_unique<RawPop3Client>(family, dovecot().port());
        auto greeting = c->read_line();
        EXPECT_TRUE(greeting && greeting->starts_with("+OK")) << greeting.value_or("(none)");
        EXPECT_EQ(c->command("USER " + dovecot().user().name).value_or("").substr(0, 3), "+OK");
        EXPECT_EQ(c->command("PASS " + dovecot().user().password).value_or("").substr(0, 3), "+OK");
        return c;
    }
};

TEST_F(DovecotHarnessTest, ServesTheMessagesInTheOrderTheyWereAdded) {
    // Twelve, so that order by name and order of adding differ if the names lose their padding.
    for (int i = 1; i <= 12; ++i) dovecot().maildir().add(sample_message(i));
    auto c = login();
    EXPECT_EQ(stat_count(c->command("STAT")), 12);
    for (int i = 1; i <= 12; ++i) {
        auto top = c->multi_line_command("TOP " + std::to_string(i) + " 0");
        ASSERT_TRUE(top);
        EXPECT_NE(top->find("Subject: Test message " + std::to_string(i) + "\r\n"), std::string::npos) << *top;
        EXPECT_EQ(top->find("quick brown fox"), std::string::npos);  // header only
    }
    EXPECT_EQ(c->command("QUIT").value_or("").substr(0, 3), "+OK");
}

TEST_F(DovecotHarnessTest, RetrieveGivesTheWholeMessageWithCrLfAndDotStuffing) {
    dovecot().maildir().add("Subject: dots\n\nfirst\n.leading dot\nlast\n");
    auto c = login();
    auto retr = c->multi_line_command("RETR 1");
    ASSERT_TRUE(retr);
    EXPECT_EQ(retr->substr(retr->find("\r\n") + 2), "Subject: dots\r\n\r\nfirst\r\n..leading dot\r\nlast\r\n.\r\n");
}

TEST_F(DovecotHarnessTest, DeletedMessagesLeaveTheMaildirAtQuit) {
    Maildir& box = dovecot().maildir();
    box.add_all({sample_message(1), sample_message(2), sample_message(3)});
    auto c = login();
    EXPECT_EQ(c->command("DELE 2").value_or("").substr(0, 3), "+OK");
    EXPECT_EQ(box.count(), 3u);  // nothing happens before QUIT
    EXPECT_EQ(c->command("QUIT").value_or("").substr(0, 3), "+OK");
    EXPECT_TRUE(c->wait_closed());
    auto left = box.messages();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_NE(left[0].find("Subject: Test message 1\n"), std::string::npos);
    EXPECT_NE(left[1].find("Subject: Test message 3\n"), std::string::npos);
}

TEST_F(DovecotHarnessTest, EveryTestStartsWithAnEmptyMailboxAndClearEmptiesIt) {
    EXPECT_EQ(dovecot().maildir().count(), 0u);
    dovecot().maildir().add(sample_message(1));
    {
        auto c = login();  // Dovecot moves the message to cur/ and writes its index
        EXPECT_EQ(stat_count(c->command("STAT")), 1);
        c->command("QUIT");
        c->wait_closed();
    }
    dovecot().maildir().clear();
    EXPECT_EQ(dovecot().maildir().count(), 0u);
    auto c = login();
    EXPECT_EQ(c->command("STAT"), "+OK 0 0\r\n");
}

TEST_F(DovecotHarnessTest, WrongPasswordIsRefusedAtOnce) {
    RawPop3Client c(Family::v4, dovecot().port(), 1500ms);  // no 2 s failure delay
    c.read_line();
    c.command("USER " + dovecot().user().name);
    auto reply = c.command("PASS wrong");
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->starts_with("-ERR")) << *reply;
}

TEST_F(DovecotHarnessTest, ApopGreetingCarriesATimeStampAndApopLogsIn) {
    dovecot().maildir(dovecot().apop_user().name).add(sample_message(1));
    RawPop3Client c(Family::v4, dovecot().port());
    auto greeting = c.read_line().value_or("");
    std::string stamp = time_stamp(greeting);
    ASSERT_NE(stamp.find('@'), std::string::npos) << greeting;
    const MailUser& u = dovecot().apop_user();
    auto digest = md5_hex(dovecot().folder(), stamp + u.password);
    EXPECT_EQ(c.command("APOP " + u.name + " " + digest).value_or("").substr(0, 3), "+OK");
    EXPECT_EQ(stat_count(c.command("STAT")), 1);
}

TEST_F(DovecotHarnessTest, ApopWithAWrongDigestFails) {
    RawPop3Client c(Family::v4, dovecot().port(), 1500ms);
    c.read_line();
    auto reply = c.command("APOP " + dovecot().apop_user().name + " 0123456789abcdef0123456789abcdef");
    ASSERT_TRUE(reply);
    EXPECT_TRUE(reply->starts_with("-ERR")) << *reply;
}

TEST_F(DovecotHarnessTest, AnswersOnIpv6Loopback) {
    dovecot().maildir().add(sample_message(1));
    auto c = login(Family::v6);
    EXPECT_EQ(stat_count(c->command("STAT")), 1);
}

TEST_F(DovecotHarnessTest, RestartKeepsPortAndMail) {
    dovecot().maildir().add(sample_message(1));
    auto port = dovecot().port();
    dovecot().stop();
    EXPECT_FALSE(connect_loopback(Family::v4, port, 500ms));
    dovecot().start();
    EXPECT_EQ(dovecot().port(), port);
    auto c = login();
    EXPECT_EQ(stat_count(c->command("STAT")), 1);
}

// The TLS listener, checked with the openssl tool as the client.
struct TlsRow {
    const char* name;
    const char* verify_host;
    bool verifies;
};

class DovecotTls : public DovecotTest, public ::testing::WithParamInterface<TlsRow> {};

TEST_P(DovecotTls, ServesTheLocalhostCertificateOfTheTestAuthority) {
    const TestCertificates* certs = dovecot().certificates();
    ASSERT_NE(certs, nullptr);
    auto in = dovecot().folder() / "s_client.in", out = dovecot().folder() / "s_client.out";
    std::ofstream(in) << "QUIT\n";
    std::filesystem::remove(out);
    int rc = run_program({"openssl", "s_client", "-connect", "127.0.0.1:" + std::to_string(dovecot().tls_port()),
                          "-CAfile", certs->ca_file().string(), "-verify_hostname", GetParam().verify_host,
                          "-verify_return_error", "-ign_eof", "-crlf"},
                         out.string(), in.string());
    std::string text = slurp(out);
    if (GetParam().verifies) {
        EXPECT_EQ(rc, 0) << text;
        EXPECT_NE(text.find("Verify return code: 0 (ok)"), std::string::npos) << text;
        EXPECT_NE(text.find("+OK"), std::string::npos) << text;
    } else {
        EXPECT_NE(rc, 0) << text;
        EXPECT_EQ(text.find("+OK"), std::string::npos) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, DovecotTls,
                         ::testing::Values(TlsRow{"localhost", "localhost", true},
                                           TlsRow{"other_name", "other.invalid", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TestCertificates, OtherHostAndSelfSignedAreMadeBesideTheLocalhostOne) {
    TempDir dir;
    TestCertificates certs(dir.path() / "tls");
    for (TlsIdentity id : {TlsIdentity::localhost, TlsIdentity::other_host, TlsIdentity::self_signed}) {
        EXPECT_TRUE(std::filesystem::file_size(certs.cert_file(id)) > 0);
        EXPECT_TRUE(std::filesystem::file_size(certs.key_file(id)) > 0);
    }
    auto verify = [&](TlsIdentity id) {
        return run_program({"openssl", "verify", "-CAfile", certs.ca_file().string(), certs.cert_file(id).string()},
                           (dir.path() / "verify.out").string());
    };
    EXPECT_EQ(verify(TlsIdentity::localhost), 0);
    EXPECT_EQ(verify(TlsIdentity::other_host), 0);
    EXPECT_NE(verify(TlsIdentity::self_signed), 0);
}

// A missing or broken Dovecot is an error with a reason, never a silent skip.
struct BrokenRow {
    const char* name;
    const char* binary;
    const char* reason;
};

class DovecotHarnessBroken : public ::testing::TestWithParam<BrokenRow> {
protected:
    void TearDown() override { ::unsetenv("HALVEX_DOVECOT"); }
};

TEST_P(DovecotHarnessBroken, StartThrowsWithTheReason) {
    ::setenv("HALVEX_DOVECOT", GetParam().binary, 1);
    try {
        DovecotHarness h;
        ADD_FAILURE() << "started with " << GetParam().binary;
    } catch (const DovecotError& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().reason), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Binaries, DovecotHarnessBroken,
                         ::testing::Values(BrokenRow{"missing", "/nonexistent/dovecot", "dovecot not found"},
                                           BrokenRow{"exits_at_once", "/bin/false", "exited during its start"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex::testnet
