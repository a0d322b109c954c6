// halvex --once as a process against the scripted server (a real server may clean NUL bytes):
// a NUL in the first message's header must not stop the cycle, so all three messages are
// judged and the third, spam by the From list, is deleted.
#include "accounts/account_file.h"
#include "accounts/account_record.h"

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"

#include "cycle_rig.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include "qt_print.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

using testnet::Conversation;

constexpr char kFirstHeaderBytes[] = "From: Amy <amy@ham.example>\r\nSubject: hello\0world\r\nX-Odd: \0\r\n";
const std::string kFirstHeader(kFirstHeaderBytes, sizeof kFirstHeaderBytes - 1);
const std::string kSecondHeader = "From: Bob <bob@ham.example>\r\nSubject: two\r\n";
const std::string kThirdHeader = "From: Deals <deals@spam.example>\r\nSubject: three\r\n";

std::string top_reply(const std::string& header) { return "+OK\r\n" + header + "\r\n.\r\n"; }

TEST(HostileOnce, NulInTheFirstHeaderStillJudgesAllThreeAndDeletesTheSpam) {
  REQUIRE_POPMAIN_EVENTS();
  Conversation c;
  c.greet().login("user", "secret").on("STAT", testnet::stat_reply(3, 900));
  c.on("STAT", testnet::stat_reply(3, 900)).on("LIST", testnet::list_reply({300, 300, 300}));
  c.on("TOP 1 0", top_reply(kFirstHeader)).on("TOP 2 0", top_reply(kSecondHeader));
  // The quarantine retrieves the message before it deletes it.
  c.on("TOP 3 0", top_reply(kThirdHeader)).on("RETR 3", "+OK\r\n" + kThirdHeader + "\r\nbody\r\n.\r\n");
  c.on("DELE 3", testnet::ok("deleted")).quit();
  testnet::ScriptedPop3Server server(c);

  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  const QString folder = home.filePath("halvex") + '/';
  ASSERT_TRUE(QDir().mkpath(folder));
  {
    QSettings store(home.filePath("config/Tarnell Halvex.ini"), QSettings::IniFormat);
    store.beginGroup("Options");
    store.setValue("server_timeout", "5");  // a lost terminator would show as a 5 s wait and an error
    store.setValue("filter_minutes", "5");
  }
  AccountRecord r;
  r.description = "home";
  r.server = QString::fromStdString(server.address());
  r.user_id = "user";
  r.password = "secret";
  r.from_list = {"spam.example"};
  ASSERT_TRUE(save_account(folder, r.description, r));

  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HALVEX_HOME", folder);
  env.insert("XDG_CONFIG_HOME", home.filePath("config"));
  env.insert("XDG_DATA_HOME", home.filePath("data"));
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  process.setProcessEnvironment(env);
  process.start(QStringLiteral(HALVEX_PROGRAM), {"--once"});
  ASSERT_TRUE(process.waitForFinished(30000)) << "halvex --once did not end";
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  QStringList lines;
  for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
    lines.append(line.mid(11));
  EXPECT_TRUE(lines.contains("Processed 1 of 3 in account: home")) << lines.join('\n').toStdString();
  EXPECT_TRUE(lines.contains("Processed 2 of 3 in account: home"));
  EXPECT_TRUE(lines.contains("Message 3 of 3 in account: home marked for deletion."));
  EXPECT_FALSE(lines.join('\n').contains("Error")) << lines.join('\n').toStdString();
  EXPECT_EQ(server.problems(), std::vector<std::string>{});
  const std::vector<std::string> sent = server.lines();
  EXPECT_NE(std::find(sent.begin(), sent.end(), "DELE 3"), sent.end());
  EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& l) { return l.rfind("DELE", 0) == 0; }), 1);
}

}  // namespace
}  // namespace halvex
