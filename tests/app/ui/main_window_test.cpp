// The main window driven headless against the scripted POP3 server: the control table,
// start-up with and without accounts, start and stop between and during cycles, the
// deferred close, the entry checks, the account buttons, the client picker, help, the
// tray and the timer.
#include "main_window_rig.h"
#include "qt/fake_opener.h"

#include "dialog_test_support.h"

#include "engine/engine_state.h"
#include "engine/engine_texts.h"
#include "ui/frm_getfile.h"
#include "ui/message.h"
#include "ui/picker_lists.h"
#include "ui/remembered_folder.h"

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <gtest/gtest.h>

namespace halvex {
namespace {

using test::MainWindowRig;
using testnet::Conversation;
using testnet::ScriptedPop3Server;

QString server_of(const ScriptedPop3Server& s) { return QString::fromStdString(s.address()); }

// An empty mailbox: login, count 0, logout.
Conversation empty_mailbox() {
  return Conversation().greet().login("user", "secret").on("STAT", testnet::stat_reply(0, 0)).quit();
}

// A login whose answer comes late, so that a click lands while the cycle waits.
Conversation slow_login() {
  return Conversation().greet().expect("USER user").pause(testnet::Millis(300)).send(testnet::ok())
      .on("PASS secret", testnet::ok()).on("STAT", testnet::stat_reply(0, 0)).quit();
}

QList<QPushButton*> every_button(frm_main& w) {
  return {w.Command2, w.Command3, w.Command4, w.Command7, w.Command10, w.Command9, w.Command8, w.Command6, w.Command1};
}

class MainWindowTest : public ::testing::Test {
protected:
  MainWindowRig rig;
};

// --- the controls ---------------------------------------------------------------------

struct ControlRow {
  const char* name;
  QString caption;
};

class MainWindowCaptionTest : public MainWindowTest, public ::testing::WithParamInterface<ControlRow> {};

TEST_P(MainWindowCaptionTest, ControlCarriesItsCaption) {
  frm_main& w = rig.load();
  QObject* control = w.findChild<QObject*>(GetParam().name);
  ASSERT_NE(control, nullptr) << GetParam().name;
  QString caption;
  if (auto* b = qobject_cast<QAbstractButton*>(control)) caption = b->text();
  else if (auto* g = qobject_cast<QGroupBox*>(control)) caption = g->title();
  EXPECT_EQ(caption, GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MainWindowCaptionTest,
    ::testing::Values(ControlRow{"Command2", "New"}, ControlRow{"Command3", "Edit"}, ControlRow{"Command4", "Remove"},
                      ControlRow{"Check1", "Start up minimized in system tray."},
                      ControlRow{"Command7", "Launch Email Client"}, ControlRow{"Command10", "..."},
                      ControlRow{"Command9", "Start Email Filtering"},
                      ControlRow{"Command8", "Continue... (Minimize to system tray)"},
                      ControlRow{"Command6", "About"}, ControlRow{"Command1", "Help"},
                      ControlRow{"status_frame", "Status:"}, ControlRow{"accounts_frame", "Email Accounts"},
                      ControlRow{"settings_frame", "Settings"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, LoadShowsSettingsAccountsTrayTipAndStartsTheTimer) {
  rig.settings = ProgramSettings{};
  rig.settings.filter_minutes = 7;
  rig.settings.server_timeout = 45;
  rig.add_account(test::account_on("home", "127.0.0.1:1"));
  rig.add_account(test::account_on("work", "127.0.0.1:1"));
  frm_main& w = rig.load(false, test::kFarTimerMs);
  EXPECT_EQ(w.windowTitle(), "Halvex");
  EXPECT_EQ(w.Text1->text(), "7");
  EXPECT_EQ(w.Text2->text(), "45");
  EXPECT_FALSE(w.Check1->isChecked());
  QStringList rows;
  for (int i = 0; i < w.List1->count(); ++i) rows << w.List1->item(i)->text();
  EXPECT_EQ(rows, account_names());
  EXPECT_EQ(rows.size(), 2);
  EXPECT_EQ(w.autostart_pending(), 1);
  EXPECT_TRUE(w.TrayX1->visible());
  EXPECT_TRUE(w.TrayX1->tip().startsWith("Halvex - Click for settings.\n")) << qPrintable(w.TrayX1->tip());
  EXPECT_TRUE(w.Timer1->isActive());
  EXPECT_EQ(remembered_folder(), with_trailing_slash(QDir::homePath()));  // nothing remembered yet
  EXPECT_EQ(w.filter_state().filtering_on, 0);
  EXPECT_EQ(w.status->count(), 0);
}

TEST_F(MainWindowTest, TheWindowsOwnTimerTicksEveryMinute) {
  frm_main w;
  EXPECT_EQ(w.Timer1->interval(), 60000);
  EXPECT_TRUE(w.Timer1->isActive());
}

// --- start-up and the start/stop button -------------------------------------------------

TEST_F(MainWindowTest, FirstActivationWithAccountsStartsFilteringAtOnce) {
  ScriptedPop3Server a(empty_mailbox());
  ScriptedPop3Server b(empty_mailbox());
  rig.add_account(test::account_on("alpha", server_of(a)));
  rig.add_account(test::account_on("beta", server_of(b)));
  frm_main& w = rig.load();
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  ASSERT_TRUE(rig.wait_logged(texts::kExitCycle));
  const QStringList lines = rig.texts();
  EXPECT_EQ(lines.first(), texts::kFilteringOn);
  EXPECT_TRUE(lines.contains("Total emails in account 'alpha' = 0")) << lines.join('\n').toStdString();
  EXPECT_TRUE(lines.contains("Total emails in account 'beta' = 0"));
  EXPECT_EQ(w.autostart_pending(), 0);
  EXPECT_EQ(w.Command9->text(), texts::kStopCaption);
  for (QPushButton* b : {w.Command2, w.Command3, w.Command4}) EXPECT_FALSE(b->isEnabled()) << qPrintable(b->objectName());
  EXPECT_TRUE(a.wait_for_line("QUIT", testnet::Millis(5000)));
  EXPECT_TRUE(b.wait_for_line("QUIT", testnet::Millis(5000)));
  // A second activation starts nothing more.
  w.activateWindow();
  QTest::qWait(50);
  EXPECT_EQ(rig.count_of(texts::kFilteringOn), 1);
}

TEST_F(MainWindowTest, NoAccountsKeepsFilteringOffAndStartAsksForAnAccount) {
  frm_main& w = rig.load();
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  QTest::qWait(50);
  EXPECT_EQ(w.autostart_pending(), 0);
  EXPECT_EQ(w.status->count(), 0);
  QString seen;
  test::expect_message(&seen, &w);
  w.Command9->click();
  EXPECT_EQ(seen, "Please add an email account.");
  EXPECT_EQ(w.Command9->text(), "Start Email Filtering");
  EXPECT_EQ(w.filter_state().filtering_on, 0);
  EXPECT_EQ(w.status->count(), 0);
}

TEST_F(MainWindowTest, StopBetweenCyclesTurnsFilteringOffAtOnce) {
  ScriptedPop3Server server(empty_mailbox());
  rig.add_account(test::account_on("home", server_of(server)));
  frm_main& w = rig.load();
  w.Command9->click();  // runs the first cycle to its end
  ASSERT_TRUE(rig.logged(texts::kExitCycle));
  w.Command9->click();
  EXPECT_EQ(rig.texts().last(), texts::kFilteringOff);
  EXPECT_EQ(w.Command9->text(), texts::kStartCaption);
  EXPECT_TRUE(w.Command9->isEnabled());
  for (QPushButton* b : {w.Command2, w.Command3, w.Command4}) EXPECT_TRUE(b->isEnabled()) << qPrintable(b->objectName());
  EXPECT_EQ(w.filter_state().filtering_on, 0);
}

TEST_F(MainWindowTest, StopDuringACycleTerminatesThenRestoresTheButton) {
  ScriptedPop3Server server(slow_login());
  rig.add_account(test::account_on("home", server_of(server)));
  frm_main& w = rig.load();
  QString caption_meanwhile;
  bool enabled_meanwhile = true;
  rig.on_line("Logging into account: ", [&] {
    w.Command9->click();
    caption_meanwhile = w.Command9->text();
    enabled_meanwhile = w.Command9->isEnabled();
  });
  w.Command9->click();
  ASSERT_TRUE(rig.wait_logged(texts::kExitCycle));
  EXPECT_EQ(caption_meanwhile, "Terminating...");
  EXPECT_FALSE(enabled_meanwhile);
  const QStringList lines = rig.texts();
  const int stop = static_cast<int>(lines.indexOf(texts::kStoppedByUser));
  ASSERT_GE(stop, 0) << lines.join('\n').toStdString();
  EXPECT_EQ(lines.mid(stop + 1), (QStringList{"Disconnecting from account: home", texts::kExitCycle}));
  EXPECT_EQ(w.Command9->text(), "Start Email Filtering");
  EXPECT_TRUE(w.Command9->isEnabled());
  EXPECT_TRUE(w.Command2->isEnabled());
  EXPECT_TRUE(server.wait_for_line("QUIT", testnet::Millis(5000)));
}

TEST_F(MainWindowTest, CloseDuringACycleWaitsForTheStopThenClosesAndSaves) {
  ScriptedPop3Server server(slow_login());
  rig.add_account(test::account_on("home", server_of(server)));
  frm_main& w = rig.load();
  w.show();
  bool refused = false;
  bool visible_meanwhile = false;
  QString caption_meanwhile;
  int enabled_buttons = -1;
  rig.on_line("Logging into account: ", [&] {
    w.Text1->setText("7");
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(w.Text1, &out);
    refused = !w.close();
    visible_meanwhile = w.isVisible();
    caption_meanwhile = w.Command9->text();
    enabled_buttons = 0;
    for (QPushButton* b : every_button(w)) enabled_buttons += b->isEnabled() ? 1 : 0;
  });
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));  // the autostart runs the cycle
  ASSERT_TRUE(rig.wait_logged(texts::kExitCycle));
  EXPECT_TRUE(refused);
  EXPECT_TRUE(visible_meanwhile);
  EXPECT_EQ(caption_meanwhile, "Exiting...");
  EXPECT_EQ(enabled_buttons, 0);
  EXPECT_TRUE(rig.logged(texts::kShutdownByUser));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 2000));
  EXPECT_TRUE(w.unloaded());
  EXPECT_FALSE(w.TrayX1->visible());
  EXPECT_EQ(load_settings().filter_minutes, 7);
  // The buttons stay disabled: the window is going away.
  EXPECT_FALSE(w.Command2->isEnabled());
}

TEST_F(MainWindowTest, CloseBetweenCyclesClosesAndWritesTheSettings) {
  rig.settings = ProgramSettings{};
  QFile::remove(settings_file_path());
  frm_main& w = rig.load();
  w.show();
  EXPECT_TRUE(w.close());
  EXPECT_TRUE(w.unloaded());
  QSettings store(settings_file_path(), QSettings::IniFormat);
  EXPECT_EQ(store.value("Options/server_timeout").toString(), "120");
  EXPECT_EQ(store.value("Options/filter_minutes").toString(), "5");
  EXPECT_EQ(store.value("Options/startup_minimized").toString(), "0");
  EXPECT_EQ(store.value("Options/email_client").toString(), "");
}

TEST_F(MainWindowTest, ABoxStillBeingEditedAtCloseIsSavedAsChecked) {
  frm_main& w = rig.load();
  w.Text2->clear();
  QTest::keyClicks(w.Text2, "10");
  EXPECT_TRUE(w.close());
  EXPECT_EQ(w.Text2->text(), "30");
  EXPECT_EQ(load_settings().server_timeout, 30);
}

TEST_F(MainWindowTest, TheTimerRunsTheNextCycleAfterFilterMinutesTicks) {
  ScriptedPop3Server server(empty_mailbox());
  rig.add_account(test::account_on("home", server_of(server)));
  rig.settings.filter_minutes = 2;
  frm_main& w = rig.load(false, test::kFarTimerMs);
  w.Command9->click();
  EXPECT_EQ(rig.count_of(texts::kExitCycle), 1);
  w.Timer1_Timer();  // first tick: counted, no cycle
  EXPECT_EQ(rig.count_of(texts::kExitCycle), 1);
  EXPECT_EQ(w.filter_state().tick_count, 1);
  w.Timer1_Timer();
  EXPECT_EQ(rig.count_of(texts::kExitCycle), 2);
}

TEST_F(MainWindowTest, TheRealTimerDrivesTheCycles) {
  ScriptedPop3Server server(empty_mailbox());
  rig.add_account(test::account_on("home", server_of(server)));
  frm_main& w = rig.load(false, 30);
  w.Command9->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return rig.count_of(texts::kExitCycle) >= 3; }, 20000));
  w.Command9->click();
}

TEST_F(MainWindowTest, TheLogKeepsTheNewest500Lines) {
  frm_main& w = rig.load();
  program_settings().email_client = rig.folder + "no-such-client";
  for (int i = 0; i < 501; ++i) w.Command7->click();
  EXPECT_EQ(w.status->count(), 500);
  EXPECT_EQ(w.status->currentRow(), 499);
  EXPECT_EQ(w.shell_result(), 0);
  EXPECT_EQ(rig.texts().last(), "Error Launching Email Client!");
}

// --- the entry checks ------------------------------------------------------------------

struct EntryRow {
  const char* name;
  bool minutes_box;
  QString typed;
  QString shown;
};

class MainWindowEntryTest : public MainWindowTest, public ::testing::WithParamInterface<EntryRow> {};

TEST_P(MainWindowEntryTest, LeavingTheBoxChecksAndRewritesIt) {
  frm_main& w = rig.load();
  QLineEdit* box = GetParam().minutes_box ? w.Text1 : w.Text2;
  box->setText(GetParam().typed);
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(box, &out);
  EXPECT_EQ(box->text(), GetParam().shown);
  const qint32 value = GetParam().minutes_box ? program_settings().filter_minutes : program_settings().server_timeout;
  EXPECT_EQ(QString::number(value), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, MainWindowEntryTest,
    ::testing::Values(EntryRow{"minutes_above_60", true, "90", "60"}, EntryRow{"minutes_zero", true, "0", "1"},
                      EntryRow{"minutes_letters", true, "abc", "1"}, EntryRow{"minutes_empty", true, "", "1"},
                      EntryRow{"minutes_half_down", true, "2.5", "2"}, EntryRow{"minutes_half_up", true, "3.5", "4"},
                      EntryRow{"minutes_plain", true, " 12", "12"}, EntryRow{"timeout_below_30", false, "10", "30"},
                      EntryRow{"timeout_large", false, "3600", "3600"}, EntryRow{"timeout_empty", false, "", "30"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, Check1ClickSetsStartupMinimized) {
  frm_main& w = rig.load();
  w.Check1->click();
  EXPECT_EQ(program_settings().startup_minimized, 1);
  w.Check1->click();
  EXPECT_EQ(program_settings().startup_minimized, 0);
}

// --- accounts ---------------------------------------------------------------------------

TEST_F(MainWindowTest, EditAndRemoveDoNothingWithoutASelection) {
  rig.add_account(test::account_on("home", "127.0.0.1:1"));
  frm_main& w = rig.load();
  w.List1->clearSelection();
  w.List1->setCurrentRow(-1);
  w.Command3->click();  // a dialog here would block the test until when_modal's timeout
  w.Command4->click();
  EXPECT_TRUE(QFile::exists(rig.folder + "home.dat"));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindowTest, EditOfAnUnreadableAccountShowsTheLoadError) {
  ASSERT_TRUE(test::write_bytes(rig.folder + "x.dat", "x"));
  frm_main& w = rig.load();
  ASSERT_EQ(w.List1->count(), 1);
  w.List1->setCurrentRow(0);
  QString seen;
  test::expect_message(&seen, &w);
  w.Command3->click();
  EXPECT_EQ(seen, "Error during account load!");
}

TEST_F(MainWindowTest, EditOpensTheAccountDialogOnTheLoadedAccount) {
  rig.add_account(test::account_on("home", "pop.home.example"));
  frm_main& w = rig.load();
  w.List1->setCurrentRow(0);
  QString server_shown;
  test::when_modal([&](QWidget* dialog) {
    server_shown = account_record().server;
    dialog->close();
  }, &w);
  w.Command3->click();
  EXPECT_EQ(server_shown, "pop.home.example");
  EXPECT_EQ(w.List1->count(), 1);
}

TEST_F(MainWindowTest, NewResetsTheRecordAndRefreshesTheList) {
  account_record().server = "left over";
  frm_main& w = rig.load();
  QString server_shown = "unset";
  test::when_modal([&](QWidget* dialog) {
    server_shown = account_record().server;
    // Meanwhile an account appears, as a saved dialog would leave it.
    save_account(rig.folder, "fresh", test::account_on("fresh", "pop.example"));
    dialog->close();
  }, &w);
  w.Command2->click();
  EXPECT_EQ(server_shown, "");
  ASSERT_EQ(w.List1->count(), 1);
  EXPECT_EQ(w.List1->item(0)->text(), "fresh");
}

struct RemoveRow {
  const char* name;
  QMessageBox::StandardButton answer;
  bool removed;
};

class MainWindowRemoveTest : public MainWindowTest, public ::testing::WithParamInterface<RemoveRow> {};

TEST_P(MainWindowRemoveTest, RemoveAsksFirst) {
  rig.add_account(test::account_on("home", "127.0.0.1:1"));
  rig.add_account(test::account_on("work", "127.0.0.1:1"));
  frm_main& w = rig.load();
  const int row = static_cast<int>(account_names().indexOf("work"));
  w.List1->setCurrentRow(row);
  QString text;
  QString title;
  bool no_is_default = false;
  test::when_modal([&](QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ASSERT_NE(box, nullptr);
    text = box->text();
    title = box->windowTitle();
    no_is_default = box->defaultButton() == box->button(QMessageBox::No);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    box->button(GetParam().answer)->click();
  }, &w);
  w.Command4->click();
  EXPECT_EQ(title, "Halvex");
  EXPECT_TRUE(no_is_default);
  EXPECT_EQ(text, "Remove email filter account:\n\nwork\n\nAll filter settings for this account will be lost "
                  "if you remove it.\n\nIs this what you want to do?");
  EXPECT_EQ(QFile::exists(rig.folder + "work.dat"), !GetParam().removed);
  EXPECT_EQ(w.List1->count(), GetParam().removed ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(Answers, MainWindowRemoveTest,
                         ::testing::Values(RemoveRow{"yes_removes", QMessageBox::Yes, true},
                                           RemoveRow{"no_keeps", QMessageBox::No, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- the e-mail client, help -----------------------------------------------------------

TEST_F(MainWindowTest, LaunchWithoutAClientOpensThePickerAndTheChosenProgramRunsNextTime) {
  frm_main& w = rig.load();
  program_settings().email_client.clear();
  QTemporaryDir programs;
  const QString client = programs.filePath("client.sh");
  const QString marker = programs.filePath("started");
  ASSERT_TRUE(test::write_bytes(client, ("#!/bin/sh\ntouch '" + marker + "'\n").toUtf8()));
  QFile::setPermissions(client, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  set_remembered_folder(programs.path());

  // Cancelled: nothing changes, nothing starts.
  QString title;
  test::when_window<frm_getfile>([&](frm_getfile* picker) {
    title = picker->windowTitle();
    picker->Command2->click();
  }, &w);
  w.Command7->click();
  EXPECT_EQ(title, "Select Email Client To Launch.");
  EXPECT_EQ(program_settings().email_client, "");
  EXPECT_FALSE(QFile::exists(marker));

  // Chosen: stored, but not started yet.
  test::when_window<frm_getfile>([&](frm_getfile* picker) {
    QListWidgetItem* item = test::item_named(picker->lists->File1, "client.sh");
    ASSERT_NE(item, nullptr);
    picker->lists->File1->setCurrentItem(item);
    picker->Command1->click();
  }, &w);
  w.Command7->click();
  EXPECT_EQ(program_settings().email_client, client);
  QTest::qWait(100);
  EXPECT_FALSE(QFile::exists(marker));

  // The next launch starts it.
  w.Command7->click();
  EXPECT_EQ(w.shell_result(), 33);
  EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
  EXPECT_FALSE(rig.logged("Error Launching Email Client!"));
}

TEST_F(MainWindowTest, TheEllipsisButtonChangesTheClientWithoutStartingIt) {
  program_settings().email_client = "/bin/true";
  frm_main& w = rig.load();
  program_settings().email_client = "/bin/true";
  test::when_window<frm_getfile>([](frm_getfile* picker) { picker->Command2->click(); }, &w);
  w.Command10->click();
  EXPECT_EQ(program_settings().email_client, "/bin/true");
  EXPECT_EQ(w.shell_result(), 0);
}

TEST_F(MainWindowTest, HelpThatCannotBeOpenedSaysSo) {
  // The desktop's opener finds no program for the page.
  const test::FakeOpener opener(3);
  frm_main& w = rig.load();
  ASSERT_TRUE(test::write_bytes(rig.folder + "help.htm", "<html>help</html>"));  // as main() does
  QString seen;
  test::expect_message(&seen, &w);
  w.Command1->click();
  EXPECT_EQ(seen, "Error launching browser to view help file!");
  EXPECT_EQ(opener.opened(), QStringList{rig.folder + "help.htm"});
}

// --- the tray ---------------------------------------------------------------------------

struct MinimizeRow {
  const char* name;
  bool by_button;  // Command8, or the title bar's minimize
};

class MainWindowTrayTest : public MainWindowTest, public ::testing::WithParamInterface<MinimizeRow> {};

TEST_P(MainWindowTrayTest, MinimizingHidesAndTheTrayClickRestores) {
  frm_main& w = rig.load(true);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  if (GetParam().by_button) w.Command8->click();
  else w.setWindowState(Qt::WindowMinimized);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 2000));
  EXPECT_TRUE(w.TrayX1->visible());
  w.TrayX1->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, 2000));
  EXPECT_FALSE(w.isMinimized());
  QTest::qWait(50);
  EXPECT_TRUE(w.isVisible()) << "a restored window must not hide again";
}

INSTANTIATE_TEST_SUITE_P(Ways, MainWindowTrayTest,
                         ::testing::Values(MinimizeRow{"continue_button", true}, MinimizeRow{"title_bar", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, WithoutATrayMinimizingKeepsTheWindowInTheTaskBar) {
  frm_main& w = rig.load(false);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.Command8->click();
  QTest::qWait(100);
  EXPECT_TRUE(w.isMinimized());
  EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindowTest, StartingMinimizedToTheTrayStillStartsFiltering) {
  ScriptedPop3Server server(empty_mailbox());
  rig.add_account(test::account_on("home", server_of(server)));
  rig.settings.startup_minimized = 1;
  frm_main& w = rig.load(true);
  EXPECT_TRUE(w.Check1->isChecked());
  w.show_at_start();
  EXPECT_FALSE(w.isVisible());
  ASSERT_TRUE(rig.wait_logged(texts::kExitCycle));
  EXPECT_EQ(rig.texts().first(), texts::kFilteringOn);
  EXPECT_FALSE(w.isVisible());
  w.TrayX1->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, 2000));
  EXPECT_EQ(rig.count_of(texts::kFilteringOn), 1);
}

}  // namespace
}  // namespace halvex
