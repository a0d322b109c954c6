// What the tray shows of the filter cycle: the watch over the status lines (failures
// announced once, recoveries once, deletions counted by day), the tip, and the tray's
// menu, icon state and notifications on a real window against the scripted server.
#include "main_window_rig.h"

#include "engine/engine_state.h"
#include "engine/engine_texts.h"
#include "ui/cycle_watch.h"
#include "ui/tray_tip.h"

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace halvex {
namespace {

using testnet::Conversation;
using testnet::ScriptedPop3Server;

const QDateTime kMorning(QDate(2026, 3, 2), QTime(9, 0));

// One cycle's lines for one account, in the order the cycle logs them.
QStringList visit(const QString& account, const QString& failure = {}) {
  QStringList lines{texts::kLoading + account, texts::kLoggingIn + account};
  if (!failure.isEmpty()) return lines << failure << texts::kContinuing;
  return lines << texts::total_line(account, 1) << texts::processed_line(1, 1, account)
               << texts::kDisconnecting + account;
}

struct WatchRow {
  const char* name;
  QList<QStringList> cycles;  // each cycle's lines, "Exit out of filter process." added
  QStringList announced;      // "failed:ACCOUNT" / "recovered:ACCOUNT", in order
  bool failing_after;
};

class CycleWatchTest : public ::testing::TestWithParam<WatchRow> {};

TEST_P(CycleWatchTest, AnnouncesEachFailureAndRecoveryOnce) {
  QString cause = QStringLiteral("Login failed");
  CycleWatch watch([&] { return cause; });
  QStringList announced;
  QObject::connect(&watch, &CycleWatch::account_failed, [&](const QString& a, const QString&) { announced << "failed:" + a; });
  QObject::connect(&watch, &CycleWatch::account_recovered, [&](const QString& a) { announced << "recovered:" + a; });
  for (const QStringList& cycle : GetParam().cycles) {
    for (const QString& line : cycle) watch.line_logged(line, kMorning);
    watch.line_logged(texts::kExitCycle, kMorning);
  }
  EXPECT_EQ(announced, GetParam().announced);
  EXPECT_EQ(watch.failing(), GetParam().failing_after);
}

const QString kLoginHome = texts::kLoginError + "home";
const QString kCountHome = texts::kCountError + "home";

INSTANTIATE_TEST_SUITE_P(
    Cycles, CycleWatchTest,
    ::testing::Values(
        WatchRow{"quiet_cycles_announce_nothing", {visit("home"), visit("home")}, {}, false},
        WatchRow{"same_failure_every_cycle_once", {visit("home", kLoginHome), visit("home", kLoginHome), visit("home", kLoginHome)},
                 {"failed:home"}, true},
        WatchRow{"recovery_once", {visit("home", kLoginHome), visit("home"), visit("home")}, {"failed:home", "recovered:home"}, false},
        WatchRow{"another_failure_is_news", {visit("home", kLoginHome), visit("home", kCountHome)}, {"failed:home", "failed:home"}, true},
        WatchRow{"accounts_apart", {visit("home", kLoginHome) + visit("work"), visit("home") + visit("work", texts::kLoadError + "work")},
                 {"failed:home", "recovered:home", "failed:work"}, true},
        WatchRow{"a_stopped_visit_is_no_recovery",
                 {visit("home", kLoginHome), QStringList{texts::kLoading + "home", texts::kStoppedByUser, texts::kDisconnecting + "home"}},
                 {"failed:home"}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CycleWatch, FailureNamesTheCauseAndTheLastCycleKeepsItsErrors) {
  CycleWatch watch([] { return QStringLiteral(" -ERR [AUTH] Authentication failed. "); });
  QString told;
  QObject::connect(&watch, &CycleWatch::account_failed, [&](const QString&, const QString& f) { told = f; });
  for (const QString& line : visit("home", kLoginHome)) watch.line_logged(line, kMorning);
  EXPECT_EQ(told, kLoginHome + " (-ERR [AUTH] Authentication failed.)");
  EXPECT_TRUE(watch.last_cycle_errors().isEmpty()) << "the cycle has not ended yet";
  EXPECT_FALSE(watch.last_cycle_end().isValid());
  watch.line_logged(texts::kExitCycle, kMorning.addSecs(5));
  EXPECT_EQ(watch.last_cycle_errors(), QStringList{told});
  EXPECT_EQ(watch.last_cycle_end(), kMorning.addSecs(5));
  // A load failure has no session behind it: no cause from an earlier request.
  for (const QString& line : visit("work", texts::kLoadError + "work")) watch.line_logged(line, kMorning);
  EXPECT_EQ(told, texts::kLoadError + "work");
}

TEST(CycleWatch, DeletionsCountPerDayAndAFailedDeleteIsNone) {
  CycleWatch watch([] { return QString(); });
  watch.line_logged(texts::kLoading + "home", kMorning);
  watch.line_logged(texts::deletion_line(1, 3, "home"), kMorning);
  watch.line_logged(texts::deletion_line(2, 3, "home"), kMorning);
  watch.line_logged(texts::deletion_line(3, 3, "home"), kMorning);
  watch.line_logged(texts::delete_error_line(3, "home"), kMorning);
  EXPECT_EQ(watch.deleted_on(kMorning.date()), 2);
  watch.line_logged(texts::deletion_line(1, 1, "home"), kMorning.addDays(1));
  EXPECT_EQ(watch.deleted_on(kMorning.date().addDays(1)), 1);
  EXPECT_EQ(watch.deleted_on(kMorning.date()), 0) << "yesterday's count is gone";
}

TEST(TrayTip, ShowsStateTimesDeletionsAndTheLastError) {
  TrayTipFacts facts;
  EXPECT_EQ(tray_tip_text(facts),
            "Halvex - Click for settings.\nEmail filtering: off\nLast cycle: none yet\nDeleted today: 0");
  const QDateTime today(QDate::currentDate(), QTime(10, 5));
  facts.filtering_on = true;
  facts.last_cycle = today;
  facts.next_cycle = today.addSecs(300);
  facts.deleted_today = 4;
  facts.last_errors = {"Error logging into: a (x)", "Error logging into: b (y)"};
  EXPECT_EQ(tray_tip_text(facts), "Halvex - Click for settings.\nEmail filtering: on\nLast cycle: 10:05\n"
                                  "Next cycle: 10:10\nDeleted today: 4\n"
                                  "Last error: Error logging into: b (y) (and 1 more)");
  facts.cycle_running = true;
  EXPECT_TRUE(tray_tip_text(facts).contains("\nNext cycle: running now\n"));
}

// --- on the window -------------------------------------------------------------------------

Conversation refused() {
  return Conversation().greet().on("USER user", testnet::ok()).on("PASS secret", testnet::err("bad password")).quit();
}
Conversation empty_mailbox() {
  return Conversation().greet().login("user", "secret").on("STAT", testnet::stat_reply(0, 0)).quit();
}

class TrayWindowTest : public ::testing::Test {
protected:
  test::MainWindowRig rig;

  QStringList menu_texts(frm_main& w) {
    QStringList out;
    for (QAction* a : w.TrayX1->menu()->actions())
      if (a->isVisible() && !a->isSeparator()) out << a->text();
    return out;
  }
};

TEST_F(TrayWindowTest, MenuShowsHidesStartsStopsAndQuits) {
  rig.add_account(test::account_on("home", "127.0.0.1:1"));
  frm_main& w = rig.load(true);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  // The first activation switches filtering on; the menu item follows the button.
  ASSERT_TRUE(rig.wait_logged(texts::kExitCycle));
  emit w.TrayX1->menu()->aboutToShow();
  EXPECT_EQ(menu_texts(w), (QStringList{"&Hide Halvex", "Stop Email Filtering", "&Deleted Mail...", "&Quit"}));
  EXPECT_TRUE(w.TrayX1->tip().contains("Email filtering: on\nLast cycle: ")) << qPrintable(w.TrayX1->tip());

  w.TrayX1->show_hide_action()->trigger();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 2000));
  emit w.TrayX1->menu()->aboutToShow();
  EXPECT_EQ(w.TrayX1->show_hide_action()->text(), "&Show Halvex");
  w.TrayX1->show_hide_action()->trigger();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.isVisible() && !w.isMinimized(); }, 2000));

  // Stop and start as the button does.
  w.TrayX1->start_stop_action()->trigger();
  EXPECT_EQ(w.filter_state().filtering_on, 0);
  EXPECT_TRUE(rig.logged(texts::kFilteringOff));
  EXPECT_EQ(w.TrayX1->start_stop_action()->text(), "Start Email Filtering");
  EXPECT_TRUE(w.TrayX1->tip().contains("Email filtering: off"));
  w.TrayX1->start_stop_action()->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.count_of(texts::kExitCycle) == 2; }, 20000));
  EXPECT_EQ(w.filter_state().filtering_on, 1);

  QSignalSpy unloaded(&w, &frm_main::window_unloaded);
  w.TrayX1->quit_action()->trigger();
  EXPECT_EQ(unloaded.count(), 1);
  EXPECT_TRUE(w.unloaded());
}

TEST_F(TrayWindowTest, DeletedMailItemIsOfferedByTheWindowAndOpensWhatIsOffered) {
  frm_main& w = rig.load(true);
  EXPECT_TRUE(w.TrayX1->deleted_mail_action()->isVisible());
  int opened = 0;
  w.TrayX1->offer_deleted_mail([&] { ++opened; });
  EXPECT_EQ(menu_texts(w), (QStringList{"&Show Halvex", "Start Email Filtering", "&Deleted Mail...", "&Quit"}));
  w.TrayX1->deleted_mail_action()->trigger();
  EXPECT_EQ(opened, 1);
}

TEST_F(TrayWindowTest, AFailingAccountIsNotifiedOnceMarksTheIconAndItsRecoveryOnce) {
  ScriptedPop3Server server(std::vector<Conversation>{refused(), refused(), empty_mailbox()});
  rig.add_account(test::account_on("home", QString::fromStdString(server.address())));
  frm_main& w = rig.load(true);
  QSignalSpy notified(w.TrayX1, &TrayIcon::notified);
  w.Command9->click();
  ASSERT_TRUE(rig.wait_logged(texts::kExitCycle));
  ASSERT_EQ(notified.count(), 1);
  EXPECT_EQ(notified[0][0].toString(), "Halvex cannot filter home");
  EXPECT_TRUE(notified[0][1].toString().startsWith("Error logging into: home ("));
  EXPECT_TRUE(w.TrayX1->error());
  EXPECT_TRUE(w.TrayX1->tip().contains("\nLast error: Error logging into: home"));

  w.Timer1_Timer();  // filter_minutes is 1: the next tick runs the next cycle
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.count_of(texts::kExitCycle) == 2; }, 20000));
  EXPECT_EQ(notified.count(), 1) << "the same failure again is not news";
  EXPECT_TRUE(w.TrayX1->error());

  w.Timer1_Timer();
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.count_of(texts::kExitCycle) == 3; }, 20000));
  ASSERT_EQ(notified.count(), 2);
  EXPECT_EQ(notified[1][0].toString(), "Halvex filters again: home");
  EXPECT_FALSE(w.TrayX1->error());
  EXPECT_FALSE(w.TrayX1->tip().contains("Last error"));
}

}  // namespace
}  // namespace halvex
