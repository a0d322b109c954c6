// Settings that last: written the moment they change, the entry checks only when the
// focus really moves on, the timeout held where the session can keep it, and the
// autostart entry; and the hand-over of a second start to this window.
#include "main_window_rig.h"

#include "accounts/autostart.h"
#include "accounts/instance_lock.h"
#include "ui/single_instance.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

namespace halvex {
namespace {

QString stored(const QString& key) {
  QSettings store(settings_file_path(), QSettings::IniFormat);
  return store.value("Options/" + key).toString();
}

void leave(QLineEdit* box, Qt::FocusReason reason) {
  QFocusEvent out(QEvent::FocusOut, reason);
  QApplication::sendEvent(box, &out);
}

class DesktopSettingsTest : public ::testing::Test {
protected:
  test::MainWindowRig rig;
};

TEST_F(DesktopSettingsTest, EveryChangeIsWrittenAtOnce) {
  frm_main& w = rig.load();
  w.Text1->setText("9");
  leave(w.Text1, Qt::TabFocusReason);
  EXPECT_EQ(stored("filter_minutes"), "9");
  w.Text2->setText("45");
  leave(w.Text2, Qt::MouseFocusReason);
  EXPECT_EQ(stored("server_timeout"), "45");
  w.Check1->click();
  EXPECT_EQ(stored("startup_minimized"), "1");
  EXPECT_FALSE(w.unloaded());
}

struct FocusRow {
  const char* name;
  Qt::FocusReason reason;
  bool checked;
};

class FocusReasonTest : public DesktopSettingsTest, public ::testing::WithParamInterface<FocusRow> {};

TEST_P(FocusReasonTest, OnlyARealMoveChecksTheBox) {
  frm_main& w = rig.load();
  w.Text1->setText("5");
  leave(w.Text1, GetParam().reason);
  // The paste from the box's context menu lands in the text as it was.
  w.Text1->end(false);
  w.Text1->insert("0");
  leave(w.Text1, Qt::TabFocusReason);
  EXPECT_EQ(w.Text1->text(), "50");
  w.Text1->setText("90");
  leave(w.Text1, GetParam().reason);
  EXPECT_EQ(w.Text1->text(), GetParam().checked ? "60" : "90");
}

INSTANTIATE_TEST_SUITE_P(Reasons, FocusReasonTest,
                         ::testing::Values(FocusRow{"context_menu", Qt::PopupFocusReason, false},
                                           FocusRow{"other_window", Qt::ActiveWindowFocusReason, false},
                                           FocusRow{"tab", Qt::TabFocusReason, true},
                                           FocusRow{"click_elsewhere", Qt::MouseFocusReason, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TimeoutRow {
  const char* name;
  QString typed;
  QString shown;
};

class TimeoutClampTest : public DesktopSettingsTest, public ::testing::WithParamInterface<TimeoutRow> {};

TEST_P(TimeoutClampTest, HeldWhereTheSessionCanKeepIt) {
  frm_main& w = rig.load();
  w.Text2->setText(GetParam().typed);
  leave(w.Text2, Qt::TabFocusReason);
  EXPECT_EQ(w.Text2->text(), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Values, TimeoutClampTest,
                         ::testing::Values(TimeoutRow{"pasted_beside", "120300", "120300"},
                                           TimeoutRow{"largest", "4294967", "4294967"},
                                           TimeoutRow{"one_more", "4294968", "4294967"},
                                           TimeoutRow{"beyond_32_bits", "99999999999", "4294967"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DesktopSettingsTest, AStoredTimeoutBeyondTheSessionIsHeldToo) {
  QSettings store(settings_file_path(), QSettings::IniFormat);
  store.setValue("Options/server_timeout", "5000000");
  store.sync();
  EXPECT_EQ(load_settings().server_timeout, kMaxServerTimeout);
}

TEST_F(DesktopSettingsTest, StartAtLoginWritesAndRemovesTheAutostartEntry) {
  frm_main& w = rig.load();
  EXPECT_FALSE(w.Check2->isChecked());
  w.Check2->click();
  QFile entry(autostart_entry_path());
  ASSERT_TRUE(entry.open(QIODevice::ReadOnly)) << qPrintable(autostart_entry_path());
  const QString text = QString::fromUtf8(entry.readAll());
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n"));
  EXPECT_TRUE(text.contains("\nExec=" + desktop_exec_value(QCoreApplication::applicationFilePath()) + "\n"));
  EXPECT_TRUE(autostart_enabled());
  w.Check2->click();
  EXPECT_FALSE(QFile::exists(autostart_entry_path()));
  EXPECT_FALSE(autostart_enabled());
}

TEST(Autostart, ExecValueQuotesAndEscapes) {
  EXPECT_EQ(desktop_exec_value("/usr/bin/halvex"), "\"/usr/bin/halvex\"");
  EXPECT_EQ(desktop_exec_value("/opt/My Apps/halvex"), "\"/opt/My Apps/halvex\"");
  EXPECT_EQ(desktop_exec_value("/a$b`c\"d\\e%f"), "\"/a\\\\$b\\\\`c\\\\\"d\\\\\\\\e%%f\"");
}

TEST_F(DesktopSettingsTest, ASecondStartBringsThisWindowForward) {
  frm_main& w = rig.load(true);
  // This process is the running Halvex: it holds the folder's lock and listens.
  InstanceLock lock(rig.folder);
  ASSERT_TRUE(lock.acquire());
  InstanceServer server;
  QObject::connect(&server, &InstanceServer::show_requested, &w, &frm_main::bring_forward);
  ASSERT_TRUE(server.listen(rig.folder));
  EXPECT_FALSE(w.isVisible());

  QProcess second;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  second.setProcessEnvironment(env);
  second.start(QStringLiteral(HALVEX_PROGRAM), {});
  ASSERT_TRUE(second.waitForStarted());
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_TRUE(second.readAllStandardOutput().contains("already running"));
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.isMinimized());
}

}  // namespace
}  // namespace halvex
