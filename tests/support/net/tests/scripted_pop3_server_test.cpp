// The scripted POP3 server: exact bytes, chunk boundaries, recording, close and stop.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>

#include "net/pop3_replies.h"
#include "net/raw_pop3_client.h"
#include "net/scripted_pop3_server.h"

namespace halvex::testnet {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

// One recv with a bound on the wait; empty on timeout or close.
std::string recv_once(int fd, int timeout_ms = 2000) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) <= 0) return {};
    char buf[65536];
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

TEST(ScriptedPop3Server, RecordsCommandsOfAWholeSession) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "secret").on("STAT", stat_reply(2, 320)).quit());
    RawPop3Client c(Family::v4, server.port());
    EXPECT_EQ(c.read_line(), "+OK halvex scripted server ready\r\n");
    EXPECT_EQ(c.command("USER bob"), "+OK user accepted\r\n");
    EXPECT_EQ(c.command("PASS secret"), "+OK logged in\r\n");
    EXPECT_EQ(c.command("STAT"), "+OK 2 320\r\n");
    EXPECT_EQ(c.command("QUIT"), "+OK bye\r\n");
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS secret", "STAT", "QUIT"}));
    EXPECT_EQ(server.received(), "USER bob\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
    EXPECT_TRUE(server.problems().empty());
    EXPECT_EQ(server.sent(), "+OK halvex scripted server ready\r\n+OK user accepted\r\n+OK logged in\r\n"
                             "+OK 2 320\r\n+OK bye\r\n");
    EXPECT_EQ(server.transcript(), "+OK halvex scripted server ready\r\nUSER bob\r\n+OK user accepted\r\n"
                                   "PASS secret\r\n+OK logged in\r\nSTAT\r\n+OK 2 320\r\nQUIT\r\n+OK bye\r\n");
}

TEST(ScriptedPop3Server, ReportsALineThatDiffersFromTheScript) {
    ScriptedPop3Server server(Conversation().greet().on("USER bob", ok()));
    RawPop3Client c(Family::v4, server.port());
    c.read_line();
    EXPECT_EQ(c.command("USER eve"), "+OK\r\n");  // the script goes on; the mismatch is kept
    ASSERT_EQ(server.problems().size(), 1u);
    EXPECT_NE(server.problems()[0].find("expected \"USER bob\", got \"USER eve\""), std::string::npos);
}

TEST(ScriptedPop3Server, LinesAcceptBareLfAndLeaveOutAnUnfinishedLine) {
    ScriptedPop3Server server(Conversation().greet());
    RawPop3Client c(Family::v4, server.port());
    c.read_line();
    c.send_raw("NOOP\nRSET\r\nQU");
    ASSERT_TRUE(server.wait_for_line("RSET", 2s));
    EXPECT_EQ(server.lines(), (Lines{"NOOP", "RSET"}));
    EXPECT_EQ(server.received(), "NOOP\nRSET\r\nQU");
}

TEST(ScriptedPop3Server, PiecesWithAGapArriveAsSeparateChunks) {
    ScriptedPop3Server server(Conversation().send_pieces({"+OK 2", " 320\r", "\n"}, 150ms));
    UniqueFd fd = connect_loopback(Family::v4, server.port(), 2s);
    ASSERT_TRUE(fd);
    EXPECT_EQ(recv_once(fd.get()), "+OK 2");
    auto before = Clock::now();
    EXPECT_EQ(recv_once(fd.get()), " 320\r");
    EXPECT_GE(Clock::now() - before, 100ms);
    EXPECT_EQ(recv_once(fd.get()), "\n");
}

TEST(ScriptedPop3Server, ChunkedSendCutsTheBytesIntoEqualPieces) {
    ScriptedPop3Server server(Conversation().send_chunked("abcdefg", 3, 100ms));
    UniqueFd fd = connect_loopback(Family::v4, server.port(), 2s);
    ASSERT_TRUE(fd);
    EXPECT_EQ(recv_once(fd.get()), "abc");
    EXPECT_EQ(recv_once(fd.get()), "def");
    EXPECT_EQ(recv_once(fd.get()), "g");
}

TEST(ScriptedPop3Server, FillerSendsExactlyTheCountWithoutALineEnd) {
    constexpr std::size_t kCount = 3 * 1024 * 1024 + 7;
    ScriptedPop3Server server(Conversation().send_filler(kCount, 'z').close());
    UniqueFd fd = connect_loopback(Family::v4, server.port(), 2s);
    ASSERT_TRUE(fd);
    std::size_t total = 0;
    bool only_z = true;
    for (std::string chunk; !(chunk = recv_once(fd.get())).empty();) {
        total += chunk.size();
        only_z = only_z && chunk.find_first_not_of('z') == std::string::npos;
    }
    EXPECT_EQ(total, kCount);
    EXPECT_TRUE(only_z);
}

TEST(ScriptedPop3Server, CloseDeliversWhatWasSentThenEndOfStream) {
    ScriptedPop3Server server(Conversation().greet().on("STAT", "+OK 1").close());
    RawPop3Client c(Family::v4, server.port(), 2s);
    c.read_line();
    c.send_line("STAT");
    EXPECT_EQ(c.read_line(), std::nullopt);  // half a reply, then the close
    EXPECT_TRUE(server.script_done());
}

TEST(ScriptedPop3Server, ResetAbortsTheConnection) {
    ScriptedPop3Server server(Conversation().greet().expect("STAT").reset());
    UniqueFd fd = connect_loopback(Family::v4, server.port(), 2s);
    ASSERT_TRUE(fd);
    EXPECT_EQ(recv_once(fd.get()), "+OK halvex scripted server ready\r\n");
    ASSERT_EQ(::send(fd.get(), "STAT\r\n", 6, MSG_NOSIGNAL), 6);
    pollfd p{fd.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 2000), 1);
    char c;
    EXPECT_EQ(::recv(fd.get(), &c, 1, 0), -1);
    EXPECT_EQ(errno, ECONNRESET);
}

TEST(ScriptedPop3Server, PauseKeepsRecordingAndDelaysTheNextReply) {
    ScriptedPop3Server server(Conversation().greet().pause(300ms).send(ok("late")));
    RawPop3Client c(Family::v4, server.port());
    c.read_line();
    auto before = Clock::now();
    c.send_line("NOOP");
    EXPECT_EQ(c.read_line(), "+OK late\r\n");
    EXPECT_GE(Clock::now() - before, 200ms);
    EXPECT_EQ(server.lines(), Lines{"NOOP"});
}

TEST(ScriptedPop3Server, EachConnectionFollowsItsOwnConversationAndTheLastRepeats) {
    ScriptedPop3Server server({Conversation().greet("first").quit(), Conversation().greet("again").quit()});
    for (const char* expected : {"+OK first\r\n", "+OK again\r\n", "+OK again\r\n"}) {
        RawPop3Client c(Family::v4, server.port());
        EXPECT_EQ(c.read_line(), expected);
        EXPECT_EQ(c.command("QUIT"), "+OK bye\r\n");
    }
    EXPECT_EQ(server.connection_count(), 3u);
    EXPECT_EQ(server.all_lines(), (Lines{"QUIT", "QUIT", "QUIT"}));
}

TEST(ScriptedPop3Server, ANewConnectionIsServedWhileTheOldOneStaysOpen) {
    ScriptedPop3Server server({Conversation().greet("one"), Conversation().greet("two")});
    RawPop3Client first(Family::v4, server.port());
    RawPop3Client second(Family::v4, server.port());
    EXPECT_EQ(second.read_line(), "+OK two\r\n");
    EXPECT_EQ(first.read_line(), "+OK one\r\n");
}

TEST(ScriptedPop3Server, SilentServerAcceptsAndNeverAnswers) {
    ScriptedPop3Server server(Conversation::silent());
    RawPop3Client c(Family::v4, server.port(), 300ms);
    EXPECT_EQ(c.read_line(), std::nullopt);
    EXPECT_TRUE(server.wait_for_connections(1, 1s));
}

TEST(ScriptedPop3Server, ExpectTimesOutAndReportsIt) {
    ScriptedPop3Server server(Conversation().greet().expect_timeout(200ms).expect("USER bob").send(ok()));
    RawPop3Client c(Family::v4, server.port(), 2s);
    c.read_line();
    EXPECT_TRUE(c.wait_closed());
    ASSERT_EQ(server.problems().size(), 1u);
    EXPECT_NE(server.problems()[0].find("timed out"), std::string::npos);
}

TEST(ScriptedPop3Server, NoticesTheClientClosing) {
    ScriptedPop3Server server(Conversation().greet());
    {
        RawPop3Client c(Family::v4, server.port());
        c.read_line();
        c.send_line("QUIT");
    }
    EXPECT_TRUE(server.wait_client_closed(0, 2s));
    EXPECT_EQ(server.lines(), Lines{"QUIT"});
}

TEST(ScriptedPop3Server, StopsQuicklyWhileClientsAreConnectedAndSendsAreBlocked) {
    auto before = Clock::now();
    {
        // The client never reads, so the filler fills the socket buffers and the send blocks.
        ScriptedPop3Server server({Conversation().send_filler(64 * 1024 * 1024), Conversation::silent()});
        UniqueFd blocked = connect_loopback(Family::v4, server.port(), 2s);
        UniqueFd silent = connect_loopback(Family::v4, server.port(), 2s);
        ASSERT_TRUE(server.wait_for_connections(2, 2s));
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_LT(Clock::now() - before, 1500ms);
}

TEST(ScriptedPop3Server, ServesOnIpv6Loopback) {
    ScriptedPop3Server server(Conversation().greet("v6").quit(), Family::v6);
    EXPECT_EQ(server.host(), "::1");
    EXPECT_EQ(server.address(), "[::1]:" + std::to_string(server.port()));
    RawPop3Client c(Family::v6, server.port());
    EXPECT_EQ(c.read_line(), "+OK v6\r\n");
    EXPECT_EQ(c.command("QUIT"), "+OK bye\r\n");
}

struct ReplyRow {
    const char* name;
    std::string actual;
    std::string expected;
};

class Pop3Replies : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(Pop3Replies, HaveTheExactBytes) { EXPECT_EQ(GetParam().actual, GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Texts, Pop3Replies,
    ::testing::Values(
        ReplyRow{"bare_ok", ok(), "+OK\r\n"},
        ReplyRow{"err_with_text", err("no such message"), "-ERR no such message\r\n"},
        ReplyRow{"stat", stat_reply(2, 320), "+OK 2 320\r\n"},
        ReplyRow{"list", list_reply({120, 200}), "+OK 2 messages\r\n1 120\r\n2 200\r\n.\r\n"},
        ReplyRow{"uidl", uidl_reply({"a1", "b2"}), "+OK\r\n1 a1\r\n2 b2\r\n.\r\n"},
        ReplyRow{"empty_listing", multi_line("+OK", {}), "+OK\r\n.\r\n"},
        ReplyRow{"message_dot_stuffed", message_reply("A: b\r\n\r\n.hidden\r\n..two\r\nend"),
                 "+OK message follows\r\nA: b\r\n\r\n..hidden\r\n...two\r\nend\r\n.\r\n"},
        ReplyRow{"message_with_final_line_end", message_reply("A: b\r\n"), "+OK message follows\r\nA: b\r\n.\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex::testnet
