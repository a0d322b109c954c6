// Stop and close while the cycle waits on a server that has gone silent: the stop reaches
// the wait itself, so the cycle ends well inside the session's Timeout, and the next start
// neither waits for the abandoned session nor leaves its connection standing.
#include "cycle_rig.h"

#include "engine/engine_texts.h"

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include "qt_print.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

namespace halvex {
namespace {

using testnet::Conversation;
using testnet::Millis;
using testnet::ScriptedPop3Server;

constexpr std::string_view kHeader = "From: x@ham.example\r\nSubject: hi\r\n\r\n";

// Login, count and size list answered; the header of message 1 never is.
Conversation silent_at_top() {
  Conversation c;
  c.greet().login("user", "secret").on("STAT", testnet::stat_reply(1, 100));
  c.on("STAT", testnet::stat_reply(1, 100)).on("LIST", testnet::list_reply({100})).expect("TOP 1 0");
  return c.stall();
}

Conversation one_kept_message() {
  Conversation c;
  c.greet().login("user", "secret").on("STAT", testnet::stat_reply(1, 100));
  c.on("STAT", testnet::stat_reply(1, 100)).on("LIST", testnet::list_reply({100}));
  c.on("TOP 1 0", testnet::message_reply(kHeader));
  return c.quit();
}

enum class How { StopButton, CloseWindow };

struct StopCase {
  const char* name;
  How how;
  QString logged;  // the line the request logs
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class CycleStopTest : public ::testing::TestWithParam<StopCase> {
protected:
  void SetUp() override {
    REQUIRE_POPMAIN_EVENTS();
    ASSERT_TRUE(rig.ready());
    program_settings().server_timeout = 30;  // the old stop waited this out
  }
  test::CycleRig rig;
};

TEST_P(CycleStopTest, EndsTheCycleWithinTheStopGraceWhileTheServerIsSilent) {
  const StopCase& param = GetParam();
  ScriptedPop3Server silent(silent_at_top());
  rig.set_accounts({test::account_at("acct", silent.address())});

  // The stop comes as a click does, once the server holds the TOP unanswered.
  QElapsedTimer since_stop;
  std::thread trigger([&] {
    if (!silent.wait_for_line("TOP 1 0", Millis(10000))) return;
    QMetaObject::invokeMethod(qApp, [&] {
      since_stop.start();
      if (param.how == How::StopButton)
        EXPECT_EQ(rig.filter_switch->command9_click(), SwitchResult::Stopping);
      else
        EXPECT_FALSE(rig.filter_switch->close_request());
    }, Qt::QueuedConnection);
  });
  rig.start();
  trigger.join();
  ASSERT_TRUE(since_stop.isValid()) << "the cycle ended before the stop";
  const qint64 stop_ms = since_stop.elapsed();
  std::printf("[ stop ] %s: cycle ended %lld ms after the stop (Timeout 30 s)\n", param.name,
              static_cast<long long>(stop_ms));
  EXPECT_LT(stop_ms, 2000);

  EXPECT_EQ(rig.host.texts.mid(5), (QStringList{param.logged, "Disconnecting from account: acct", texts::kExitCycle}))
      << rig.host.texts.join('\n').toStdString();
  EXPECT_EQ(rig.state.busy, 0);
  EXPECT_EQ(rig.state.stop_requested, 0);
  EXPECT_EQ(rig.host.closes, param.how == How::CloseWindow ? 1 : 0);
  if (param.how == How::CloseWindow) return;  // the window is gone
  EXPECT_EQ(rig.host.caption, texts::kStartCaption);
  EXPECT_TRUE(rig.host.buttons_enabled);

  // The next start: not held by the abandoned worker, not bounded by the old stop, and the
  // abandoned connection is ended.
  ScriptedPop3Server normal(one_kept_message());
  rig.set_accounts({test::account_at("next", normal.address())});
  rig.host.texts.clear();
  QElapsedTimer next;
  next.start();
  EXPECT_EQ(rig.start(), SwitchResult::Started);
  const qint64 next_ms = next.elapsed();
  std::printf("[ stop ] %s: the next cycle took %lld ms\n", param.name, static_cast<long long>(next_ms));
  EXPECT_LT(next_ms, 2000);
  EXPECT_EQ(rig.host.texts.mid(rig.host.texts.size() - 3),
            (QStringList{"Processed 1 of 1 in account: next", "Disconnecting from account: next", texts::kExitCycle}))
      << rig.host.texts.join('\n').toStdString();
  EXPECT_EQ(rig.state.cycle_failures, 0);
  EXPECT_TRUE(normal.wait_for_line("QUIT", Millis(2000)));
  EXPECT_TRUE(silent.wait_client_closed(0, Millis(2000)));
}

INSTANTIATE_TEST_SUITE_P(StopPaths, CycleStopTest,
                         ::testing::Values(StopCase{"StopButton", How::StopButton, texts::kStoppedByUser},
                                           StopCase{"CloseWindow", How::CloseWindow, texts::kShutdownByUser}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex
