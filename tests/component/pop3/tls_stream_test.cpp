// The TLS reader against a scripted TLS server, for what a real server does not do on demand:
// a reply in one record larger than a receive, a record cut off halfway, a server that
// accepts the connection but never answers the handshake.
#include <gtest/gtest.h>

#include <string>

#include "popmain_driver.h"
#include "tls_script_server.h"
#include "tls_trust.h"

namespace {

namespace tn = halvex::testnet;
using pop3test::PopMainDriver;
using tlstest::TlsPeer;
using tlstest::TlsScriptServer;

tlstest::TlsScriptServer serve(TlsScriptServer::Script script, bool handshake = true) {
    const auto& certs = tlstest::certificates();
    return {certs.cert_file(tn::TlsIdentity::localhost), certs.key_file(tn::TlsIdentity::localhost),
            std::move(script), handshake};
}

// A header block of about 12 KB: one record, more than one receive of 8194 bytes.
std::string large_header() {
    std::string header;
    for (int i = 0; header.size() < 12000; ++i)
        header += "X-Filler-" + std::to_string(i) + ": " + std::string(60, 'a' + i % 26) + "\r\n";
    return header;
}

TEST(TlsReader, BytesLeftInsideTheTlsLayerAreReadWithoutWaitingForTheSocket) {
    const std::string header = large_header();
    auto server = serve([&](TlsPeer& peer) {
        tlstest::greet_and_login(peer);
        std::string line;
        while (!(line = peer.read_line()).empty()) {
            if (line == "STAT") peer.send("+OK 1 20000\r\n");
            else if (line == "LIST") peer.send("+OK\r\n1 20000\r\n.\r\n");
            else if (line == "TOP 1 0") peer.send("+OK\r\n" + header + "\r\n.\r\n");  // then silence
            else if (line == "QUIT") { peer.send("+OK bye\r\n"); return; }
            else peer.send("-ERR\r\n");
        }
    });
    PopMainDriver pop;
    // Were the rest of the record overlooked, the read would wait for the socket until the
    // timeout and fail.
    pop.set_timeout(3);
    ASSERT_EQ(pop.connect(server.server_text(), "u", "p"), 0);
    auto got = pop.header(1);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->size(), header.size());
    EXPECT_TRUE(*got == header);
    pop.close();
}

TEST(TlsReader, RecordsThatArrivedTogetherAreAllReadWithoutWaitingForTheSocket) {
    const std::string header = "Subject: two records\r\nFrom: a@example.com\r\n";
    auto server = serve([&](TlsPeer& peer) {
        tlstest::greet_and_login(peer);
        std::string line;
        while (!(line = peer.read_line()).empty()) {
            if (line == "STAT") peer.send("+OK 1 100\r\n");
            else if (line == "LIST") peer.send("+OK\r\n1 100\r\n.\r\n");
            // The status line and the header in one record, the end in the next, sent as one.
            else if (line == "TOP 1 0") peer.send_records({"+OK\r\n" + header, "\r\n.\r\n"});
            else if (line == "QUIT") { peer.send("+OK bye\r\n"); return; }
            else peer.send("-ERR\r\n");
        }
    });
    PopMainDriver pop;
    pop.set_timeout(3);
    ASSERT_EQ(pop.connect(server.server_text(), "u", "p"), 0);
    EXPECT_EQ(pop.header(1), header);
    pop.close();
}

TEST(TlsReader, ARecordCutOffHalfwayFailsTheReadAtTheTimeoutInsteadOfHanging) {
    auto server = serve([](TlsPeer& peer) {
        tlstest::greet_and_login(peer);
        if (peer.read_line() == "STAT") peer.send_records({"+OK 2 320\r\n"}, 9);
        peer.wait_for_close();
    });
    PopMainDriver pop;
    pop.set_timeout(1);
    ASSERT_EQ(pop.connect(server.server_text(), "u", "p"), 0);
    EXPECT_EQ(pop.total(), std::nullopt);
    EXPECT_TRUE(pop.connected());  // a failed command leaves the session standing
    pop.close();
    EXPECT_FALSE(pop.connected());
}

TEST(TlsReader, AServerThatNeverAnswersTheHandshakeFailsTheLoginWithinTheTimeout) {
    auto server = serve([](TlsPeer& peer) { peer.wait_for_close(); }, false);
    PopMainDriver pop;
    pop.set_timeout(1);
    EXPECT_EQ(pop.connect(server.server_text(), "u", "p"), 1);
    EXPECT_FALSE(pop.connected());
}

TEST(TlsReader, AServerThatClosesAfterTheGreetingFailsTheLogin) {
    auto server = serve([](TlsPeer& peer) { peer.send("+OK ready\r\n"); });
    PopMainDriver pop;
    pop.set_timeout(5);
    EXPECT_EQ(pop.connect(server.server_text(), "u", "p"), 1);
    EXPECT_FALSE(pop.connected());
}

}  // namespace
