// The hold proxy: lines pass whole until the held one, which (with what follows it, even in
// the same chunk) waits for release; replies pass meanwhile; only the first occurrence holds.
#include <gtest/gtest.h>

#include <chrono>

#include "net/hold_proxy.h"
#include "net/pop3_replies.h"
#include "net/raw_pop3_client.h"
#include "net/scripted_pop3_server.h"

namespace halvex::testnet {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

TEST(HoldProxy, HoldsTheLineAndWhatFollowsUntilReleased) {
    ScriptedPop3Server server(Conversation()
                                  .greet()
                                  .on("STAT", stat_reply(2, 20))
                                  .on("TOP 1 0", message_reply("Subject: a\r\n\r\n"))
                                  .on("NOOP", ok())
                                  .on("TOP 1 0", message_reply("Subject: a\r\n\r\n"))
                                  .quit());
    HoldProxy proxy(Family::v4, server.port(), "TOP 1 0");
    RawPop3Client c(Family::v4, proxy.port());
    EXPECT_EQ(c.read_line(), "+OK halvex scripted server ready\r\n");
    EXPECT_FALSE(proxy.wait_held(0ms));
    // A line cut across two sends is relayed once it is whole.
    ASSERT_TRUE(c.send_raw("ST"));
    ASSERT_TRUE(c.send_raw("AT\r\n"));
    EXPECT_EQ(c.read_line(), "+OK 2 20\r\n");
    ASSERT_TRUE(c.send_raw("TOP 1 0\r\nNOOP\r\n"));
    ASSERT_TRUE(proxy.wait_held(5000ms));
    EXPECT_FALSE(server.wait_for_line("TOP 1 0", 300ms));
    EXPECT_EQ(server.lines(), (Lines{"STAT"}));
    proxy.release();
    EXPECT_EQ(c.read_multi_line(), message_reply("Subject: a\r\n\r\n"));
    EXPECT_EQ(c.read_line(), "+OK\r\n");
    // Released: the same line again goes straight through.
    EXPECT_EQ(c.multi_line_command("TOP 1 0"), message_reply("Subject: a\r\n\r\n"));
    EXPECT_EQ(c.command("QUIT"), "+OK bye\r\n");
    EXPECT_EQ(server.lines(), (Lines{"STAT", "TOP 1 0", "NOOP", "TOP 1 0", "QUIT"}));
    EXPECT_TRUE(server.problems().empty()) << server.problems().front();
}

TEST(HoldProxy, EndsPromptlyWhileHolding) {
    ScriptedPop3Server server(Conversation().greet().stall());
    const auto start = std::chrono::steady_clock::now();
    {
        HoldProxy proxy(Family::v4, server.port(), "QUIT");
        RawPop3Client c(Family::v4, proxy.port());
        EXPECT_TRUE(c.read_line().has_value());
        ASSERT_TRUE(c.send_line("QUIT"));
        ASSERT_TRUE(proxy.wait_held(5000ms));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

}  // namespace
}  // namespace halvex::testnet
