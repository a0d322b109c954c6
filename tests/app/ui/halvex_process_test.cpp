// halvex run as a real process, headless: one filtering Halvex per application folder
// (a window blocks --once, a second --once is refused, a killed holder blocks nothing),
// the window's settings written back on SIGTERM and SIGINT, and unknown options refused.
#include "accounts/instance_lock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace halvex {
namespace {

constexpr int kGenerousMs = 30000;

class HalvexProcessTest : public ::testing::Test {
protected:
  QString home() const { return root.path() + "/app/"; }
  QString ini() const { return root.path() + "/config/Tarnell Halvex.ini"; }

  std::unique_ptr<QProcess> start(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HALVEX_HOME", home());
    env.insert("XDG_CONFIG_HOME", root.path() + "/config");
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(HALVEX_PROGRAM), arguments);
    EXPECT_TRUE(process->waitForStarted(kGenerousMs));
    return process;
  }

  // Starts a window and waits until it runs: it then holds the folder's lock.
  std::unique_ptr<QProcess> start_window() {
    auto window = start({});
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(home() + "help.htm") && held_elsewhere(); }, kGenerousMs));
    QTest::qWait(300);  // its window and listener come up right after the lock
    return window;
  }

  // True when another process holds the folder's lock (the probe gives it back at once).
  bool held_elsewhere() const {
    InstanceLock probe(home());
    return !probe.acquire();
  }

  static int finish(QProcess& p) {
    if (!p.waitForFinished(kGenerousMs)) {
      p.kill();
      p.waitForFinished();
      ADD_FAILURE() << "halvex did not end";
      return -1;
    }
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    return p.exitCode();
  }

  QTemporaryDir root;
};

TEST_F(HalvexProcessTest, OnceIsRefusedWhileAWindowFiltersTheFolderAndRunsOnceItHasGone) {
  auto window = start_window();
  auto once = start({"--once"});
  EXPECT_EQ(finish(*once), kAlreadyRunning);
  EXPECT_TRUE(once->readAllStandardError().contains("is filtering the accounts in " + QFile::encodeName(home())));
  // A second window hands over and ends.
  auto second = start({});
  EXPECT_EQ(finish(*second), 0);
  EXPECT_TRUE(second->readAllStandardOutput().contains("already running"));
  EXPECT_EQ(window->state(), QProcess::Running);

  // Killed outright, the window leaves no lock behind: --once runs (and finds no account).
  window->kill();
  window->waitForFinished();
  auto after = start({"--once"});
  EXPECT_EQ(finish(*after), 2);
}

TEST_F(HalvexProcessTest, ASecondOnceIsRefusedWhileTheFirstHoldsTheFolder) {
  ASSERT_TRUE(QDir().mkpath(home()));
  InstanceLock held(home());  // as a running --once holds it
  ASSERT_TRUE(held.acquire());
  auto once = start({"--once", "--dry-run"});
  EXPECT_EQ(finish(*once), kAlreadyRunning);
}

struct SignalRow {
  const char* name;
  int signal_number;
};

class HalvexSignalTest : public HalvexProcessTest, public ::testing::WithParamInterface<SignalRow> {};

TEST_P(HalvexSignalTest, TheWindowWritesItsSettingsAndEndsCleanly) {
  {
    QSettings store(ini(), QSettings::IniFormat);
    store.setValue("Options/filter_minutes", "7");
    store.setValue("Options/email_client", "/usr/bin/mail client");
  }
  auto window = start_window();
  // Whatever happened to the file meanwhile, the window's settings are written back.
  ASSERT_TRUE(QFile::remove(ini()));
  // A window that did not start has no process id: kill(0) would signal the whole test run.
  ASSERT_EQ(window->state(), QProcess::Running) << window->readAllStandardError().constData();
  ASSERT_GT(window->processId(), 0);
  ::kill(static_cast<pid_t>(window->processId()), GetParam().signal_number);
  EXPECT_EQ(finish(*window), 0);
  QSettings store(ini(), QSettings::IniFormat);
  EXPECT_EQ(store.value("Options/filter_minutes").toString(), "7");
  EXPECT_EQ(store.value("Options/server_timeout").toString(), "120");
  EXPECT_EQ(store.value("Options/email_client").toString(), "/usr/bin/mail client");
  // The lock went with the process.
  InstanceLock after(home());
  EXPECT_TRUE(after.acquire());
}

INSTANTIATE_TEST_SUITE_P(Signals, HalvexSignalTest,
                         ::testing::Values(SignalRow{"term", SIGTERM}, SignalRow{"interrupt", SIGINT}),
                         [](const auto& info) { return std::string(info.param.name); });

struct OptionRow {
  const char* name;
  QStringList arguments;
  int exit_code;
  const char* stdout_has;
  const char* stderr_has;
};

class HalvexOptionTest : public HalvexProcessTest, public ::testing::WithParamInterface<OptionRow> {};

TEST_P(HalvexOptionTest, UnknownOptionsPrintTheUsageAndExitWith2) {
  auto p = start(GetParam().arguments);
  EXPECT_EQ(finish(*p), GetParam().exit_code);
  EXPECT_TRUE(p->readAllStandardOutput().contains(GetParam().stdout_has));
  EXPECT_TRUE(p->readAllStandardError().contains(GetParam().stderr_has));
}

INSTANTIATE_TEST_SUITE_P(
    Options, HalvexOptionTest,
    ::testing::Values(OptionRow{"unknown_long", {"--frobnicate"}, 2, "", "unknown option --frobnicate\n\nUsage: halvex"},
                      OptionRow{"stray_word", {"inbox"}, 2, "", "unknown option inbox"},
                      OptionRow{"unknown_beside_once", {"--once", "-x"}, 2, "", "Usage: halvex"},
                      OptionRow{"qt_option_taken", {"-platform", "offscreen", "--version"}, 0, "halvex ", ""},
                      OptionRow{"help", {"--help"}, 0, "Usage: halvex", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex
