// halvex --once as a process with one rude server beside a normal account: an endless header,
// a header that trickles in for ever, a -ERR to TOP. Whatever the rude one does, the process
// stays small, ends in bounded time, and the normal account's spam is deleted.
#include "accounts/account_file.h"
#include "accounts/account_record.h"

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"

#include "cycle_rig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include "qt_print.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

namespace halvex {
namespace {

using testnet::Conversation;
using testnet::Millis;

std::string top_reply(const std::string& header) { return "+OK\r\n" + header + "\r\n.\r\n"; }

// The normal account: one ham message and one spam by the From list.
Conversation normal_mailbox() {
  Conversation c;
  c.greet().login("user", "secret").on("STAT", testnet::stat_reply(2, 600));
  c.on("STAT", testnet::stat_reply(2, 600)).on("LIST", testnet::list_reply({300, 300}));
  c.on("TOP 1 0", top_reply("From: Amy <amy@ham.example>\r\nSubject: hello\r\n"));
  c.on("TOP 2 0", top_reply("From: Deals <deals@spam.example>\r\nSubject: offer\r\n"));
  c.on("DELE 2", testnet::ok("deleted")).quit();
  return c;
}

// The rude account's mailbox up to its first header request.
Conversation up_to_first_header() {
  Conversation c;
  c.greet().login("user", "secret").on("STAT", testnet::stat_reply(2, 600));
  c.on("STAT", testnet::stat_reply(2, 600)).on("LIST", testnet::list_reply({300, 300})).expect("TOP 1 0");
  return c;
}

qint64 resident_kb(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
  return 0;
}

struct OnceRun {
  bool finished = false;
  qint64 millis = 0;
  qint64 peak_kb = 0;
  QStringList lines;
};

// `on_started` runs with the process id as soon as the process runs.
OnceRun run_once(const QString& rude_server, const QString& normal_server, int timeout_seconds,
                 const std::function<void(qint64)>& on_started = {}) {
  OnceRun result;
  QTemporaryDir home;
  const QString folder = home.filePath("halvex") + '/';
  QDir().mkpath(folder);
  {
    QSettings store(home.filePath("config/Tarnell Halvex.ini"), QSettings::IniFormat);
    store.beginGroup("Options");
    store.setValue("server_timeout", QString::number(timeout_seconds));
    store.setValue("filter_minutes", "5");
    // The scripted normal server answers the filter's own requests; keeping copies (RETR before
    // DELE) is tested against Dovecot.
    store.setValue("quarantine", "0");
  }
  for (const auto& [name, server] : {std::pair{QStringLiteral("rude"), rude_server}, std::pair{QStringLiteral("home"), normal_server}}) {
    AccountRecord r;
    r.description = name;
    r.server = server;
    r.user_id = "user";
    r.password = "secret";
    r.from_list = {"spam.example"};
    EXPECT_TRUE(save_account(folder, r.description, r));
  }
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HALVEX_HOME", folder);
  env.insert("XDG_CONFIG_HOME", home.filePath("config"));
  env.insert("XDG_DATA_HOME", home.filePath("data"));
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  process.setProcessEnvironment(env);
  QElapsedTimer clock;
  clock.start();
  process.start(QStringLiteral(HALVEX_PROGRAM), {"--once"});
  process.waitForStarted();
  if (on_started) on_started(process.processId());
  while (process.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
    result.peak_kb = std::max(result.peak_kb, resident_kb(process.processId()));
    process.waitForFinished(20);
  }
  result.millis = clock.elapsed();
  result.finished = process.state() == QProcess::NotRunning;
  if (!result.finished) {
    process.kill();
    process.waitForFinished();
  }
  for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
    result.lines.append(line.mid(11));
  return result;
}

struct RudeRow {
  const char* name;
  Conversation rude;
  int timeout_seconds;
  qint64 within_ms;
};

class RudeBesideNormal : public ::testing::TestWithParam<RudeRow> {};

TEST_P(RudeBesideNormal, TheNormalAccountsSpamIsDeleted) {
  REQUIRE_POPMAIN_EVENTS();
  testnet::ScriptedPop3Server rude(GetParam().rude);
  testnet::ScriptedPop3Server normal(normal_mailbox());
  const OnceRun run = run_once(QString::fromStdString(rude.address()), QString::fromStdString(normal.address()),
                           GetParam().timeout_seconds);
  const std::string log = run.lines.join('\n').toStdString();
  ASSERT_TRUE(run.finished) << log;
  EXPECT_LT(run.millis, GetParam().within_ms) << log;
  EXPECT_LT(run.peak_kb, 100 * 1024) << "peak resident memory in KB";
  EXPECT_TRUE(run.lines.contains("Message 2 of 2 in account: home marked for deletion.")) << log;
  EXPECT_TRUE(run.lines.contains("Error getting message headers from: rude")) << log;
  const std::vector<std::string> sent = normal.lines();
  EXPECT_NE(std::find(sent.begin(), sent.end(), "DELE 2"), sent.end());
  EXPECT_EQ(normal.problems(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Servers, RudeBesideNormal,
    testing::Values(
        // Endless: the header cap ends it after 1 MB.
        RudeRow{"endless_header", up_to_first_header().send("+OK\r\n").send_endless("X-Flood: yyyyyyyyyyyy\r\n"), 30, 20000},
        // A byte every 300 ms beats a 1 s idle timeout, not the request's 5 s deadline.
        RudeRow{"trickling_header", up_to_first_header().send("+OK\r\n").send_endless("X-Slow: z\r\n", Millis(300)), 1, 20000},
        // A message deleted by another client: the refusal is seen at once, not after 30 s.
        RudeRow{"err_to_top", up_to_first_header().send(testnet::err("no such message")).expect("QUIT").send(testnet::ok()), 30, 3000}),
    [](const testing::TestParamInfo<RudeRow>& info) { return info.param.name; });

// SIGINT or SIGTERM while the cycle waits on a server that has gone silent: the process ends
// at once, not after the 30 s Timeout.
class SignalDuringSilence : public ::testing::TestWithParam<int> {};

TEST_P(SignalDuringSilence, EndsTheRunPromptly) {
  REQUIRE_POPMAIN_EVENTS();
  testnet::ScriptedPop3Server silent(up_to_first_header().stall());
  testnet::ScriptedPop3Server normal(normal_mailbox());
  std::thread signaller;
  QElapsedTimer since_signal;
  std::atomic<bool> signalled{false};
  const OnceRun run = run_once(QString::fromStdString(silent.address()), QString::fromStdString(normal.address()), 30,
                               [&](qint64 pid) {
                                 signaller = std::thread([&, pid] {
                                   if (!silent.wait_for_line("TOP 1 0", Millis(20000))) return;
                                   since_signal.start();
                                   signalled = true;
                                   ::kill(static_cast<pid_t>(pid), GetParam());
                                 });
                               });
  signaller.join();
  ASSERT_TRUE(signalled.load()) << "the silent server never got its TOP";
  ASSERT_TRUE(run.finished);
  const qint64 ms = since_signal.elapsed();
  std::printf("[ signal ] %s: halvex --once ended %lld ms after it (Timeout 30 s)\n", strsignal(GetParam()),
              static_cast<long long>(ms));
  EXPECT_LT(ms, 2000);
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalDuringSilence, testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

}  // namespace
}  // namespace halvex
