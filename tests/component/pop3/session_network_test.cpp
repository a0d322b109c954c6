// Reaching the server: server texts with ports, IPv6 loopback, refused and unanswered ports,
// names that do not resolve, and the pieces the worker uses (chunk reader, stop predicate).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/loopback.h"
#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "pop3/pop3_session.h"
#include "popmain_driver.h"

namespace {

namespace tn = halvex::testnet;
using pop3test::PopMainDriver;
using velmo::Pop3Session;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

tn::Conversation logged_in() { return tn::Conversation().greet().login("bob", "pw"); }

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// How the Server text and ServerPort pick the address.
struct ReachRow {
    const char* name;
    tn::Family family;
    bool port_in_text;  // "host:port" / "[v6]:port", else the bare host with ServerPort
};

class PopMainReaches : public testing::TestWithParam<ReachRow> {};

TEST_P(PopMainReaches, LoopbackServer) {
    const ReachRow& row = GetParam();
    tn::ScriptedPop3Server server(logged_in().on("STAT", tn::stat_reply(4, 44)).quit(), row.family);
    PopMainDriver pop;
    if (!row.port_in_text) pop.set_port(server.port());
    ASSERT_EQ(pop.connect(row.port_in_text ? server.address() : server.host(), "bob", "pw"), 0);
    EXPECT_EQ(pop.total(), 4);
    pop.close();
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "STAT", "QUIT"}));
    LONG port = 0;
    ASSERT_EQ(pop->get_ServerPort(&port), S_OK);
    EXPECT_EQ(port, row.port_in_text ? 110 : server.port()) << "a port in the text leaves ServerPort as it was";
}

INSTANTIATE_TEST_SUITE_P(Rows, PopMainReaches,
                         testing::Values(ReachRow{"v4_host_port", tn::Family::v4, true},
                                         ReachRow{"v4_server_port", tn::Family::v4, false},
                                         ReachRow{"v6_bracketed_port", tn::Family::v6, true},
                                         ReachRow{"v6_bare_with_server_port", tn::Family::v6, false}),
                         [](const testing::TestParamInfo<ReachRow>& info) { return info.param.name; });

TEST(PopMainReach, HostNameResolvesThroughTheResolver) {
    tn::ScriptedPop3Server server(logged_in().quit());
    PopMainDriver pop;
    EXPECT_EQ(pop.connect("localhost:" + std::to_string(server.port()), "bob", "pw"), 0);
}

TEST(PopMainReach, OnlyTheLow16BitsOfServerPortCount) {
    tn::ScriptedPop3Server server(logged_in().quit());
    PopMainDriver pop;
    pop.set_port(0x50000 + server.port());
    EXPECT_EQ(pop.connect("127.0.0.1", "bob", "pw"), 0);
}

TEST(PopMainReach, RefusedPortFailsAtOnce) {
    tn::RefusedPort refused;
    PopMainDriver pop;
    auto start = Clock::now();
    EXPECT_EQ(pop.connect("127.0.0.1:" + std::to_string(refused.port()), "bob", "pw"), 1);
    EXPECT_LT(seconds_since(start), 1.0);
    EXPECT_FALSE(pop.connected());
}

// Names that fail in the resolver itself, so the test never sends a query off the machine.
TEST(PopMainReach, UnresolvableNameFails) {
    PopMainDriver pop;
    const std::vector<std::string> names = {"no-such-host..invalid", "bad host name", "",
                                            std::string("127.0.0.1\0x", 11)};
    for (const std::string& name : names) {
        EXPECT_EQ(pop.connect(name, "bob", "pw"), 1) << name;
        EXPECT_FALSE(pop.connected());
    }
}

TEST(PopMainReach, InvalidPortSuffixIsNotSilentlyDropped) {
    tn::ScriptedPop3Server server(logged_in().quit());
    PopMainDriver pop;
    pop.set_port(server.port());
    EXPECT_EQ(pop.connect("127.0.0.1:pop3", "bob", "pw"), 1);
    EXPECT_EQ(server.connection_count(), 0u);
}

TEST(PopMainReach, UnansweredConnectGivesUpWithinTheTimeout) {
    tn::UnansweredPort unanswered;
    PopMainDriver pop;
    pop.set_timeout(1);
    auto start = Clock::now();
    EXPECT_EQ(pop.connect("127.0.0.1:" + std::to_string(unanswered.port()), "bob", "pw"), 1);
    double took = seconds_since(start);
    EXPECT_GE(took, 0.9);
    EXPECT_LT(took, 2.0);
    EXPECT_FALSE(pop.connected());
}

TEST(PopMainReach, SilentServerFailsTheLoginAfterTheTimeout) {
    tn::ScriptedPop3Server server(tn::Conversation::silent());
    PopMainDriver pop;
    pop.set_timeout(1);
    auto start = Clock::now();
    EXPECT_EQ(pop.connect(server.address(), "bob", "pw"), 1);
    EXPECT_GE(seconds_since(start), 1.0);
    EXPECT_FALSE(pop.connected());
}

// The pieces the asynchronous worker builds on.

TEST(Pop3SessionWorkerPieces, ChunkReaderReportsEveryChunkAsReceived) {
    std::vector<std::string> pieces = {"+OK\r\n", "abc", std::string("de\0f", 4), "\r\n.\r\n"};
    tn::ScriptedPop3Server server(logged_in().expect("RETR 5").send_pieces(pieces, std::chrono::milliseconds(80)));
    Pop3Session session;
    ASSERT_TRUE(session.LoginUserPass("127.0.0.1", "bob", "pw", server.port()));
    ASSERT_TRUE(session.SendRaw("RETR 5\r\n"));
    std::vector<std::pair<std::string, std::size_t>> seen;
    std::string text;
    auto end = session.ReadChunks([&](std::string_view chunk, std::size_t received) {
        seen.emplace_back(std::string(chunk), received);
        text += chunk;
        return text.find("\r\n.\r\n") != std::string::npos ? Pop3Session::Chunk::Complete : Pop3Session::Chunk::More;
    });
    EXPECT_EQ(end, Pop3Session::ReadEnd::Complete);
    // A chunk is kept whole, its NUL turned into a space; the byte count is what the receive returned.
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::size_t>>{
                        {"+OK\r\n", 5}, {"abc", 3}, {"de f", 4}, {"\r\n.\r\n", 5}}));
}

TEST(Pop3SessionWorkerPieces, StopPredicateAbandonsASilentServer) {
    tn::ScriptedPop3Server server(logged_in().expect("STAT").stall());
    Pop3Session session;
    std::atomic<bool> stop{false};
    session.set_stop_predicate([&] { return stop.load(); });
    ASSERT_TRUE(session.LoginUserPass("127.0.0.1", "bob", "pw", server.port()));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    auto start = Clock::now();
    std::int32_t count = 0, size = 0;
    EXPECT_FALSE(session.Stat(count, size));
    double took = seconds_since(start);
    stopper.join();
    EXPECT_LT(took, 0.3 + 0.5) << "noticed within about 250 ms of the request";
    EXPECT_TRUE(session.connected()) << "stopping a read does not close the session";
}

TEST(Pop3SessionWorkerPieces, StopPredicateAbandonsAnUnansweredConnect) {
    tn::UnansweredPort unanswered;
    Pop3Session session;
    auto start = Clock::now();
    session.set_stop_predicate([&] { return seconds_since(start) > 0.3; });
    EXPECT_FALSE(session.LoginUserPass("127.0.0.1", "bob", "pw", unanswered.port()));
    EXPECT_LT(seconds_since(start), 0.3 + 0.5);
    EXPECT_FALSE(session.connected());
}

TEST(Pop3SessionWorkerPieces, MessageCountSurvivesClose) {
    tn::ScriptedPop3Server server(logged_in().on("STAT", tn::stat_reply(6, 60)).quit());
    Pop3Session session;
    ASSERT_TRUE(session.LoginUserPass("127.0.0.1", "bob", "pw", server.port()));
    std::int32_t count = 0, size = 0;
    ASSERT_TRUE(session.Stat(count, size));
    EXPECT_TRUE(session.CloseSession());
    EXPECT_EQ(session.message_count(), 6);
    EXPECT_FALSE(session.connected());
}

}  // namespace
