// The demo server's session logic: the states of RFC 1939, deletions only at QUIT, the
// maildrop lock, and rude input.
#include "server/apop_digest.h"
#include "server/pop3_conversation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

namespace halvex::demo {
namespace {

namespace fs = std::filesystem;

class Pop3ConversationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("pop3-conversation-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    write("a.eml", "Subject: one\r\n\r\nbody one\r\n");
    write("b.eml", "Subject: two\r\n\r\nl1\r\nl2\r\nl3\r\n");
    write("c.eml", "Subject: three\n\nbare lf\n");
    write(".hidden", "not served");
  }
  void TearDown() override { fs::remove_all(folder_); }

  void write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }
  std::set<std::string> files() const {
    std::set<std::string> r;
    for (const auto& e : fs::directory_iterator(folder_)) r.insert(e.path().filename().string());
    return r;
  }
  std::unique_ptr<Pop3Conversation> session(const std::string& stamp = "<1.2@test>") {
    return std::make_unique<Pop3Conversation>(folder_, Credentials{"u", "p w"}, stamp, lock_);
  }
  std::string say(Pop3Conversation& s, const std::string& line) { return s.handle(line).text; }
  void login(Pop3Conversation& s) {
    ASSERT_EQ(say(s, "USER u"), "+OK send PASS\r\n");
    ASSERT_EQ(say(s, "PASS p w").substr(0, 3), "+OK");
  }

  fs::path folder_;
  MaildropLock lock_;
};

TEST_F(Pop3ConversationTest, GreetingCarriesTheTimestamp) {
  EXPECT_EQ(session("<7.8@x>")->greeting(), "+OK Halvex demo POP3 server ready <7.8@x>\r\n");
}

TEST_F(Pop3ConversationTest, TransactionCommandsAreRefusedBeforeLogin) {
  auto s = session();
  for (const char* line : {"STAT", "LIST", "UIDL", "RETR 1", "TOP 1 0", "DELE 1", "RSET", "NOOP"})
    EXPECT_EQ(say(*s, line).substr(0, 4), "-ERR") << line;
  EXPECT_FALSE(s->in_transaction());
}

TEST_F(Pop3ConversationTest, StatCountsCrlfOctetsAndSkipsHiddenFiles) {
  auto s = session();
  login(*s);
  // c.eml has three bare LF line ends: served as CR LF, so three octets more.
  const std::size_t total = 26 + 28 + 24 + 3;
  EXPECT_EQ(say(*s, "STAT"), "+OK 3 " + std::to_string(total) + "\r\n");
}

TEST_F(Pop3ConversationTest, DeletionsWaitForQuit) {
  auto s = session();
  login(*s);
  EXPECT_EQ(say(*s, "DELE 2"), "+OK message 2 deleted\r\n");
  EXPECT_EQ(say(*s, "DELE 2"), "-ERR message 2 already deleted\r\n");
  EXPECT_EQ(say(*s, "LIST 2"), "-ERR message 2 already deleted\r\n");
  EXPECT_EQ(files().count("b.eml"), 1u);
  const auto reply = s->handle("quit");
  EXPECT_TRUE(reply.close);
  EXPECT_EQ(reply.text, "+OK Halvex demo POP3 server signing off (2 messages left)\r\n");
  EXPECT_EQ(files(), (std::set<std::string>{"a.eml", "c.eml", ".hidden"}));
}

TEST_F(Pop3ConversationTest, SessionEndingWithoutQuitDeletesNothingAndFreesTheLock) {
  {
    auto s = session();
    login(*s);
    say(*s, "DELE 1");
    say(*s, "DELE 3");
  }
  EXPECT_EQ(files().size(), 4u);
  auto again = session();
  login(*again);
  EXPECT_EQ(say(*again, "STAT").substr(0, 6), "+OK 3 ");
}

TEST_F(Pop3ConversationTest, RsetUnmarks) {
  auto s = session();
  login(*s);
  say(*s, "DELE 1");
  EXPECT_EQ(say(*s, "RSET").substr(0, 18), "+OK maildrop has 3");
  s->handle("QUIT");
  EXPECT_EQ(files().size(), 4u);
}

TEST_F(Pop3ConversationTest, SecondLoginIsLockedOutWhileTheFirstHoldsTheMaildrop) {
  auto first = session();
  login(*first);
  auto second = session();
  say(*second, "USER u");
  const auto reply = second->handle("PASS p w");
  EXPECT_EQ(reply.text, "-ERR maildrop already locked\r\n");
  EXPECT_TRUE(reply.close);
  first->handle("QUIT");
  auto third = session();
  login(*third);
}

TEST_F(Pop3ConversationTest, ApopChecksTheDigestOfTimestampAndSecret) {
  auto s = session("<42.1@demo>");
  EXPECT_EQ(say(*s, "APOP u " + apop_digest("<42.1@demo>", "wrong")),
            "-ERR invalid user name or digest\r\n");
  EXPECT_EQ(say(*s, "APOP x " + apop_digest("<42.1@demo>", "p w")),
            "-ERR invalid user name or digest\r\n");
  EXPECT_EQ(say(*s, "APOP u"), "-ERR APOP needs a name and a digest\r\n");
  EXPECT_EQ(say(*s, "APOP u " + apop_digest("<42.1@demo>", "p w")).substr(0, 3), "+OK");
}

TEST(ApopDigest, MatchesTheRfcExample) {
  EXPECT_EQ(apop_digest("<1896.697170952@dbc.mtview.ca.us>", "tanstaaf"),
            "c4c9334bac560ecc979e58001b3e22fb");
}

TEST_F(Pop3ConversationTest, TopCountsBodyLines) {
  auto s = session();
  login(*s);
  EXPECT_EQ(say(*s, "TOP 2 0"), "+OK top of message follows\r\nSubject: two\r\n\r\n.\r\n");
  EXPECT_EQ(say(*s, "TOP 2 2"), "+OK top of message follows\r\nSubject: two\r\n\r\nl1\r\nl2\r\n.\r\n");
  EXPECT_EQ(say(*s, "TOP 2 100"),
            "+OK top of message follows\r\nSubject: two\r\n\r\nl1\r\nl2\r\nl3\r\n.\r\n");
}

// Rude arguments get an -ERR and leave the session as it was.
struct RudeCase {
  const char* name;
  const char* line;
  const char* reply;
};

class RudeArguments : public Pop3ConversationTest, public ::testing::WithParamInterface<RudeCase> {};

TEST_P(RudeArguments, AreRefused) {
  auto s = session();
  login(*s);
  EXPECT_EQ(say(*s, GetParam().line), std::string(GetParam().reply) + "\r\n");
  EXPECT_EQ(say(*s, "STAT").substr(0, 6), "+OK 3 ");
}

INSTANTIATE_TEST_SUITE_P(
    Pop3, RudeArguments,
    ::testing::Values(
        RudeCase{"zero", "RETR 0", "-ERR no such message"},
        RudeCase{"past_end", "DELE 4", "-ERR no such message"},
        RudeCase{"negative", "LIST -1", "-ERR no such message"},
        RudeCase{"not_a_number", "RETR one", "-ERR no such message"},
        RudeCase{"huge", "RETR 99999999999999999999", "-ERR no such message"},
        RudeCase{"missing_number", "DELE", "-ERR DELE needs a message number"},
        RudeCase{"top_without_count", "TOP 1", "-ERR TOP needs a message number and a line count"},
        RudeCase{"top_bad_count", "TOP 1 x", "-ERR TOP needs a line count of 0 or more"},
        RudeCase{"two_numbers", "LIST 1 2", "-ERR LIST takes at most one argument"},
        RudeCase{"stat_argument", "STAT 1", "-ERR STAT takes no argument"},
        RudeCase{"relogin", "USER u", "-ERR already logged in"},
        RudeCase{"unknown", "XYZZY", "-ERR unknown command: XYZZY"},
        RudeCase{"empty", "", "-ERR unknown command: "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex::demo
