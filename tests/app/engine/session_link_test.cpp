// Request-and-wait: each request takes only its own answer. Late events of an earlier
// request are injected while a real request on the scripted server is still unanswered.
#include "cycle_rig.h"

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"

#include "qt_print.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace halvex {
namespace {

using testnet::Conversation;
using testnet::Millis;
using testnet::ScriptedPop3Server;

class SessionLinkTest : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_POPMAIN_EVENTS();
    ASSERT_TRUE(rig.ready());
    rig.link->set_timeout(5);
  }
  void connect_to(const ScriptedPop3Server& server) {
    rig.link->begin_connect(QString::fromStdString(server.address()), "user", "secret");
  }
  test::CycleRig rig;
};

TEST_F(SessionLinkTest, StaleOnClosedAndForeignErrorsDoNotAnswerConnect) {
  ScriptedPop3Server server(Conversation().pause(Millis(300)).greet().login("user", "secret"));
  connect_to(server);
  rig.link->on_closed();                        // left over from an earlier failed request
  rig.link->on_error(10, "Error with getting message's header.");  // another request's
  EXPECT_FALSE(rig.link->op_done());
  rig.link->wait();
  EXPECT_TRUE(rig.link->op_done());
  EXPECT_EQ(rig.link->op_error(), 0);
  EXPECT_TRUE(rig.link->session_open());
}

TEST_F(SessionLinkTest, AnswersMustCarryTheRequestedMessage) {
  ScriptedPop3Server server(Conversation()
                                .greet()
                                .login("user", "secret")
                                .on("STAT", testnet::stat_reply(2, 20))
                                .on("LIST", testnet::list_reply({10, 10}))
                                .pause(Millis(300))
                                .on("TOP 2 0", testnet::message_reply("Subject: two\r\n\r\n")));
  connect_to(server);
  rig.link->wait();
  ASSERT_EQ(rig.link->op_error(), 0);
  rig.link->begin(Request::MsgHeader, 2);
  rig.link->on_msg_header("Subject: one\r\n\r\n", 1);  // message 1's, not ours
  rig.link->on_msg_size(10, 2);                         // a size, not a header
  EXPECT_FALSE(rig.link->op_done());
  rig.link->wait();
  EXPECT_EQ(rig.link->op_error(), 0);
  EXPECT_EQ(rig.link->header().subject, QStringLiteral("two"));
}

TEST_F(SessionLinkTest, CloseOnAnEndedSessionEndsAtOnce) {
  ScriptedPop3Server server(Conversation().greet().on("USER user", testnet::err("no such user")).quit());
  connect_to(server);
  rig.link->wait();
  ASSERT_NE(rig.link->op_error(), 0);
  EXPECT_FALSE(rig.link->session_open());
  rig.link->begin(Request::Close);
  EXPECT_TRUE(rig.link->op_done());
  EXPECT_EQ(rig.link->op_error(), 0);
  rig.link->begin(Request::TotalOfMails);  // nothing would ever answer it
  EXPECT_TRUE(rig.link->op_done());
  EXPECT_NE(rig.link->op_error(), 0);
}

TEST_F(SessionLinkTest, UnansweredRequestEndsAfterTimeoutAndMargin) {
  ScriptedPop3Server server(Conversation().greet().login("user", "secret").stall());
  connect_to(server);
  rig.link->wait();
  ASSERT_EQ(rig.link->op_error(), 0);
  rig.link->set_answer_margin_ms(-4000);  // 1 s in all
  QElapsedTimer clock;
  clock.start();
  rig.link->begin(Request::TotalOfMails);
  rig.link->wait();
  EXPECT_EQ(rig.link->op_error(), kNoAnswer);
  EXPECT_GE(clock.elapsed(), 900);
  EXPECT_LT(clock.elapsed(), 4500);  // well before the session's own 5 s
  EXPECT_FALSE(rig.link->session_open());
}

// A reply that keeps arriving outlasts the guard: the guard re-arms while bytes come in.
TEST_F(SessionLinkTest, ASlowButLiveReplyIsNotCutByTheGuard) {
  const std::string header = "Subject: slow\r\nX-Pad: " + std::string(40, 'p') + "\r\n";
  ScriptedPop3Server server(Conversation()
                                .greet()
                                .login("user", "secret")
                                .on("STAT", testnet::stat_reply(1, 10))
                                .on("LIST", testnet::list_reply({10}))
                                .expect("TOP 1 0")
                                .send_chunked(testnet::message_reply(header + "\r\n"), 4, Millis(100)));
  connect_to(server);
  rig.link->wait();
  ASSERT_EQ(rig.link->op_error(), 0);
  rig.link->set_answer_margin_ms(-4000);  // a guard of 1 s; the reply takes about 2 s
  QElapsedTimer clock;
  clock.start();
  rig.link->begin(Request::MsgHeader, 1);
  rig.link->wait();
  EXPECT_EQ(rig.link->op_error(), 0) << "cut after " << clock.elapsed() << " ms";
  EXPECT_GE(clock.elapsed(), 1200);
  EXPECT_EQ(rig.link->header().subject, QStringLiteral("slow"));
}

// An answer that was posted before the wait began ends the wait at once. (Qt's plain Unix
// dispatcher, which this file also runs under, would otherwise go on waiting for more.)
TEST_F(SessionLinkTest, AnAnswerPostedBeforeTheWaitEndsItAtOnce) {
  ScriptedPop3Server server(Conversation()
                                .greet()
                                .login("user", "secret")
                                .on("STAT", testnet::stat_reply(3, 30))
                                .on("STAT", testnet::stat_reply(3, 30)));
  connect_to(server);
  rig.link->wait();
  ASSERT_EQ(rig.link->op_error(), 0);
  for (int round = 0; round < 2; ++round) {
    rig.link->begin(Request::TotalOfMails);
    ASSERT_TRUE(server.wait_for_line("STAT", Millis(5000)));
    QThread::msleep(300);  // the worker has posted OnGetTotalOfMails by now
    QElapsedTimer clock;
    clock.start();
    rig.link->wait();
    EXPECT_LT(clock.elapsed(), 2000) << "the wait outlived its answer";
    EXPECT_EQ(rig.link->op_error(), 0);
    EXPECT_EQ(rig.link->op_value(), 3);
  }
}

// A stop that comes while a request waits on a silent server ends the wait within the stop's
// grace, not after Timeout, and leaves no session to ask anything more of.
TEST_F(SessionLinkTest, AStopEndsAWaitOnASilentServerWithinItsGrace) {
  ScriptedPop3Server server(Conversation().greet().login("user", "secret").stall());
  connect_to(server);
  rig.link->wait();
  ASSERT_EQ(rig.link->op_error(), 0);
  rig.link->set_timeout(30);
  rig.link->begin(Request::TotalOfMails);
  QElapsedTimer since_stop;
  QTimer::singleShot(100, [&] {
    since_stop.start();
    rig.link->stop_soon();
  });
  rig.link->wait();
  ASSERT_TRUE(since_stop.isValid());
  EXPECT_EQ(rig.link->op_error(), kNoAnswer);
  EXPECT_GE(since_stop.elapsed(), kStopGraceMs - 20);  // a late answer had its chance
  EXPECT_LT(since_stop.elapsed(), 1500);
  EXPECT_FALSE(rig.link->session_open());
  EXPECT_EQ(rig.link->op_error_cause(), QStringLiteral("stopped before the server answered"));
}

// A stop does not cut what answers within its grace: the request and the QUIT after it go
// through as usual. Once the stop is cleared the guard is the full one again.
TEST_F(SessionLinkTest, AnswersWithinTheStopGraceAreTaken) {
  ScriptedPop3Server server(Conversation()
                                .greet()
                                .login("user", "secret")
                                .expect("STAT")
                                .pause(Millis(20))
                                .send(testnet::stat_reply(3, 30))
                                .quit());
  connect_to(server);
  rig.link->wait();
  ASSERT_EQ(rig.link->op_error(), 0);
  rig.link->begin(Request::TotalOfMails);
  rig.link->stop_soon();
  rig.link->wait();
  EXPECT_EQ(rig.link->op_error(), 0);
  EXPECT_EQ(rig.link->op_value(), 3);
  rig.link->begin(Request::Close);
  rig.link->wait();
  EXPECT_EQ(rig.link->op_error(), 0);
  EXPECT_TRUE(server.wait_for_line("QUIT", Millis(2000)));

  ScriptedPop3Server slow(Conversation().pause(Millis(kStopGraceMs + 300)).greet().login("user", "secret"));
  rig.link->clear_stop();
  connect_to(slow);
  rig.link->wait();
  EXPECT_EQ(rig.link->op_error(), 0) << "a cleared stop still bounds the wait";
}

}  // namespace
}  // namespace halvex
