// POPMAIN in synchronous mode over TLS against the private Dovecot's TLS listener: the whole
// filter dialogue, the certificate checks that must fail the login, the trust store taken
// from SSL_CERT_FILE and SSL_CERT_DIR, and plain sessions beside TLS ones.
#include <gtest/gtest.h>

#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "net/dovecot_fixture.h"
#include "net/temp_dir.h"
#include "popmain_driver.h"
#include "tls_trust.h"

namespace {

namespace fs = std::filesystem;
namespace tn = halvex::testnet;
using pop3test::PopMainDriver;

std::string crlf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string header_of(std::string_view message) { return crlf(message.substr(0, message.find("\n\n") + 1)); }

std::string tls_text(const std::string& host, std::uint16_t port) {
    return "pop3s://" + host + ":" + std::to_string(port);
}

class TlsDovecot : public tn::DovecotTest {
protected:
    LONG login(PopMainDriver& pop, const std::string& server) {
        return pop.connect(server, dovecot().user().name, dovecot().user().password);
    }
};

// The server text forms a user may write for the same TLS listener.
struct FormRow {
    const char* name;
    const char* host;  // as written between "pop3s://" and ":port"
};

class TlsDovecotForms : public TlsDovecot, public testing::WithParamInterface<FormRow> {};

TEST_P(TlsDovecotForms, LoginCountHeaderSizeDeleteAndClose) {
    std::vector<std::string> messages = {tn::sample_message(1, 300), tn::sample_message(2, 5000),
                                         tn::sample_message(3, 20)};
    dovecot().maildir().add_all(messages);
    const std::string server = tls_text(GetParam().host, dovecot().tls_port());

    PopMainDriver pop;
    ASSERT_EQ(login(pop, server), 0) << server << "\n" << dovecot().log();
    EXPECT_TRUE(pop.connected());
    EXPECT_EQ(pop.total(), 3);
    EXPECT_EQ(pop.header(2), header_of(messages[1]));
    EXPECT_EQ(pop.size(2), static_cast<LONG>(crlf(messages[1]).size()));
    EXPECT_EQ(pop.remove(2), 0);
    pop.close();
    EXPECT_FALSE(pop.connected());

    // The deletion was committed by the QUIT sent over TLS.
    ASSERT_EQ(login(pop, server), 0);
    EXPECT_EQ(pop.total(), 2);
    EXPECT_EQ(pop.header(2), header_of(messages[2]));
    pop.close();
}

INSTANTIATE_TEST_SUITE_P(Forms, TlsDovecotForms,
                         testing::Values(FormRow{"host_name", "localhost"}, FormRow{"ipv4", "127.0.0.1"},
                                         FormRow{"bracketed_ipv6", "[::1]"}),
                         [](const testing::TestParamInfo<FormRow>& info) { return info.param.name; });

TEST_F(TlsDovecot, SchemeInCapitalsAndWholeMessagesAcrossManyRecords) {
    // Far more than one TLS record (16 KiB) and one receive (8194 bytes).
    std::string big = tn::sample_message(1, 300000);
    dovecot().maildir().add(big);
    PopMainDriver pop;
    ASSERT_EQ(login(pop, "POP3S://localhost:" + std::to_string(dovecot().tls_port())), 0) << dovecot().log();
    auto text = pop.retrieve(1);
    ASSERT_TRUE(text.has_value());
    std::string wire = crlf(big);
    wire.resize(wire.size() - 2);  // Retrieve drops the final CR LF
    EXPECT_EQ(text->size(), wire.size());
    EXPECT_TRUE(*text == wire);
    pop.close();
}

TEST_F(TlsDovecot, ApopLoginOverTls) {
    dovecot().maildir(dovecot().apop_user().name).add(tn::sample_message(1, 100));
    PopMainDriver pop;
    ASSERT_EQ(pop.secure_connect(tls_text("localhost", dovecot().tls_port()), dovecot().apop_user().name,
                                 dovecot().apop_user().password),
              0)
        << dovecot().log();
    EXPECT_EQ(pop.total(), 1);
    pop.close();
}

TEST_F(TlsDovecot, ProtocolLogHoldsThePlainTextOfTheSession) {
    tn::TempDir folder;
    const fs::path log = folder.path() / "pop3.log";
    PopMainDriver pop;
    pop.set_log(log.string());
    ASSERT_EQ(login(pop, tls_text("localhost", dovecot().tls_port())), 0);
    EXPECT_EQ(pop.total(), 0);
    pop.close();
    std::ifstream in(log, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string& u = dovecot().user().name;
    const std::string& p = dovecot().user().password;
    EXPECT_EQ(text.str().rfind("+OK", 0), 0u) << text.str();
    // The server pipelines: USER goes with PASS, and STAT with LIST, each pair in one send.
    EXPECT_NE(text.str().find("USER " + u + "\r\nPASS " + p + "\r\n+OK"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("STAT\r\nLIST\r\n+OK 0 0\r\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("QUIT\r\n+OK"), std::string::npos) << text.str();
}

TEST_F(TlsDovecot, PlainSessionsBesideTlsOnesAreUnchanged) {
    dovecot().maildir().add(tn::sample_message(1, 100));
    PopMainDriver tls, plain;
    ASSERT_EQ(login(tls, tls_text("localhost", dovecot().tls_port())), 0);
    ASSERT_EQ(login(plain, dovecot().address()), 0);
    EXPECT_EQ(plain.total(), 1);
    EXPECT_EQ(tls.total(), 1);
    // ServerPort still reaches a plain server named without a port.
    PopMainDriver by_port;
    by_port.set_port(dovecot().port());
    EXPECT_EQ(login(by_port, "127.0.0.1"), 0);
    by_port.close();
    tls.close();
    plain.close();
}

TEST_F(TlsDovecot, TlsToThePlainPortFailsTheLoginLikeARefusedConnect) {
    tn::TempDir folder;
    const fs::path log = folder.path() / "pop3.log";
    PopMainDriver pop;
    pop.set_timeout(5);
    pop.set_log(log.string());
    EXPECT_EQ(login(pop, tls_text("127.0.0.1", dovecot().port())), 1);
    EXPECT_FALSE(pop.connected());
    // Nothing of the POP3 dialogue happened: no greeting read, no QUIT sent.
    EXPECT_FALSE(fs::exists(log));
    EXPECT_EQ(pop.total(), std::nullopt);
}

// Certificates that must fail the login, each on its own Dovecot, over pop3s:// and over a
// STARTTLS upgrade on its plain port.
struct BadCertificateRow {
    const char* name;
    tn::TlsIdentity identity;
    const char* host;
};

class TlsBadCertificate : public testing::TestWithParam<BadCertificateRow> {};

TEST_P(TlsBadCertificate, FailsTheLoginLikeARefusedConnect) {
    tn::DovecotOptions options;
    options.tls = true;
    options.tls_identity = GetParam().identity;
    tn::DovecotHarness dovecot(options);
    PopMainDriver pop;
    pop.set_timeout(10);
    EXPECT_EQ(pop.connect(tls_text(GetParam().host, dovecot.tls_port()), dovecot.user().name,
                          dovecot.user().password),
              1);
    EXPECT_FALSE(pop.connected());
    // The cause names the host and why its certificate was not trusted.
    const pop3test::Cause cause = pop.cause();
    EXPECT_EQ(cause.kind, 7) << cause.text;
    EXPECT_EQ(cause.text.rfind(std::string("TLS certificate not trusted for host ") + GetParam().host + ": ", 0), 0u)
        << cause.text;
    EXPECT_EQ(pop.total(), std::nullopt);

    // The plain port lists STLS: the upgrade there meets the same certificate and fails the
    // same way, before the user name or the password is sent.
    tn::TempDir folder;
    const fs::path log = folder.path() / "pop3.log";
    pop.set_log(log.string());
    EXPECT_EQ(pop.connect(dovecot.address(), dovecot.user().name, dovecot.user().password), 1);
    EXPECT_FALSE(pop.connected());
    EXPECT_EQ(pop.cause().kind, 7) << pop.cause().text;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("STLS\r\n"), std::string::npos) << text.str();
    EXPECT_EQ(text.str().find("USER " + dovecot.user().name), std::string::npos) << text.str();
    EXPECT_EQ(text.str().find("PASS "), std::string::npos) << text.str();
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, TlsBadCertificate,
    testing::Values(BadCertificateRow{"for_another_host_name", tn::TlsIdentity::other_host, "localhost"},
                    BadCertificateRow{"for_another_host_by_address", tn::TlsIdentity::other_host, "127.0.0.1"},
                    BadCertificateRow{"self_signed_untrusted", tn::TlsIdentity::self_signed, "localhost"}),
    [](const testing::TestParamInfo<BadCertificateRow>& info) { return info.param.name; });

// Where the trust comes from: SSL_CERT_FILE, SSL_CERT_DIR (a hashed folder), or neither.
enum class Trust { file, dir, none };
struct TrustRow {
    const char* name;
    Trust trust;
    LONG result;
};

class TlsTrustStore : public TlsDovecot, public testing::WithParamInterface<TrustRow> {};

// A folder in the layout SSL_CERT_DIR reads: the authority under "<subject hash>.0".
void put_hashed(const fs::path& ca_file, const fs::path& folder) {
    std::FILE* f = std::fopen(ca_file.c_str(), "r");
    ASSERT_NE(f, nullptr);
    X509* cert = PEM_read_X509(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    ASSERT_NE(cert, nullptr);
    char name[16];
    std::snprintf(name, sizeof name, "%08lx.0", X509_subject_name_hash(cert));
    X509_free(cert);
    fs::copy_file(ca_file, folder / name);
}

TEST_P(TlsTrustStore, ComesFromTheEnvironment) {
    tn::TempDir folder;
    const fs::path dir = folder.path() / "certs";
    fs::create_directories(dir);
    const fs::path ca = tlstest::certificates().ca_file();
    if (GetParam().trust == Trust::dir) put_hashed(ca, dir);
    const std::string missing = (folder.path() / "no-such-file.pem").string();
    tlstest::TrustScope scope(GetParam().trust == Trust::file ? ca.string() : missing, dir.string());

    PopMainDriver pop;
    EXPECT_EQ(login(pop, tls_text("localhost", dovecot().tls_port())), GetParam().result);
    EXPECT_EQ(pop.connected(), GetParam().result == 0);
    pop.close();
}

INSTANTIATE_TEST_SUITE_P(Sources, TlsTrustStore,
                         testing::Values(TrustRow{"cert_file", Trust::file, 0}, TrustRow{"cert_dir", Trust::dir, 0},
                                         TrustRow{"neither_holds_the_authority", Trust::none, 1}),
                         [](const testing::TestParamInfo<TrustRow>& info) { return info.param.name; });

}  // namespace
