// halvex --once as a process against the real test Dovecot: account files in the stored
// format, the messages left on the server counted and read back, the printed log checked.
#include "once_fixture.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

TEST_F(OnceDovecotTest, FilterModeDeletesWhatMatchesAndKeepsTheRest) {
  dovecot().maildir().add_all({mail("Deals <deals@spam.example>", "one"), mail("Amy <amy@ham.example>", "two"),
                               mail("Bob <bob@ham.example>", "FREE money"), mail("Zed <zed@ham.example>", "four")});
  AccountRecord r = account();
  r.from_list = {"SPAM.example"};
  r.subject_list = {"free"};
  save(r);

  const OnceRun once = run({"--once"});
  EXPECT_EQ(once.exit_code, 0) << once.errors.toStdString();
  EXPECT_EQ(once.lines, (QStringList{"Email Filtering: On", QString(86, '-'), "Loading data for account: home",
                                     "Logging into account: home", "Total emails in account 'home' = 4",
                                     "Message 1 of 4 in account: home marked for deletion.",
                                     "Reason: sender \"deals@spam.example\", subject \"one\": From phrase "
                                     "\"SPAM.example\" found in the sender address.",
                                     "Processed 2 of 4 in account: home",
                                     "Message 3 of 4 in account: home marked for deletion.",
                                     "Reason: sender \"bob@ham.example\", subject \"FREE money\": Subject phrase "
                                     "\"free\" found in the subject.",
                                     "Processed 4 of 4 in account: home", "Disconnecting from account: home",
                                     "Exit out of filter process."}));
  EXPECT_EQ(subjects_left(), (std::vector<std::string>{"two", "four"}));
}

// Dovecot lists PIPELINING: the pipelined scan (more messages than its window, spam spread
// through it) must leave the same status lines and the same survivors as with it switched off.
TEST_F(OnceDovecotTest, PipeliningOnAndOffGiveTheSameLogAndSurvivors) {
  std::vector<std::string> box;
  for (int i = 1; i <= 60; ++i)
    box.push_back(i % 7 == 3 ? mail("Deals <deals@spam.example>", "spam " + std::to_string(i))
                             : mail("Amy <amy@ham.example>", "ham " + std::to_string(i)));
  AccountRecord r = account();
  r.from_list = {"spam.example"};
  save(r);

  QStringList logs[2];
  std::vector<std::string> left[2];
  for (int pipelining = 0; pipelining < 2; ++pipelining) {
    QSettings store(home.filePath("config/Tarnell Halvex.ini"), QSettings::IniFormat);
    store.setValue("Options/pop3_pipelining", QString::number(pipelining));
    store.sync();
    dovecot().maildir().clear();
    dovecot().maildir().add_all(box);
    const OnceRun once = run({"--once"});
    EXPECT_EQ(once.exit_code, 0) << once.errors.toStdString();
    logs[pipelining] = once.lines;
    left[pipelining] = subjects_left();
  }
  EXPECT_EQ(logs[1], logs[0]);
  EXPECT_TRUE(logs[1].contains("Message 59 of 60 in account: home marked for deletion.")) << logs[1].join('\n').toStdString();
  EXPECT_EQ(left[1], left[0]);
  EXPECT_EQ(left[1].size(), 51u);
}

// Qt's plain Unix event dispatcher runs the posted events it finds and then waits for more:
// each answer must still end its wait, not the 30 s guard behind it.
TEST_F(OnceDovecotTest, EachAnswerEndsItsWaitUnderThePlainUnixEventDispatcher) {
  dovecot().maildir().add_all({mail("Deals <deals@spam.example>", "one"), mail("Amy <amy@ham.example>", "two")});
  AccountRecord r = account();
  r.from_list = {"spam.example"};
  save(r);

  QProcessEnvironment extra;
  extra.insert("QT_NO_GLIB", "1");
  QElapsedTimer clock;
  clock.start();
  const OnceRun once = run({"--once"}, extra);
  EXPECT_LT(clock.elapsed(), 20000) << "a wait outlived its answer";
  EXPECT_EQ(once.exit_code, 0) << once.errors.toStdString();
  EXPECT_TRUE(once.lines.contains("Message 1 of 2 in account: home marked for deletion.")) << once.lines.join('\n').toStdString();
  EXPECT_EQ(subjects_left(), (std::vector<std::string>{"two"}));
}

TEST_F(OnceDovecotTest, GateModeKeepsOnlyAdmittedSenders) {
  dovecot().maildir().add_all({mail("Amy <amy@friends.example>", "one"), mail("x@else.example", "two"),
                               mail("Bo <bo@FRIENDS.example>", "three")});
  AccountRecord r = account();
  r.gate_mode = 1;
  r.from_list = {"@friends.example"};
  r.subject_list = {"one"};  // ignored in gate mode
  save(r);
  const OnceRun once = run({"--once"});
  EXPECT_EQ(once.exit_code, 0);
  EXPECT_TRUE(once.lines.contains("Message 2 of 3 in account: home marked for deletion."));
  EXPECT_EQ(subjects_left(), (std::vector<std::string>{"one", "three"}));
}

TEST_F(OnceDovecotTest, SizeLimitDeletesLargeMessages) {
  dovecot().maildir().add_all({mail("a@x.example", "small", 100), mail("b@x.example", "large", 5000)});
  AccountRecord r = account();
  r.size_limit_on = 1;
  r.size_limit = 2000;
  save(r);
  const OnceRun once = run({"--once"});
  EXPECT_EQ(once.exit_code, 0);
  EXPECT_TRUE(once.lines.contains("Message 2 of 2 in account: home marked for deletion."));
  EXPECT_EQ(subjects_left(), (std::vector<std::string>{"small"}));
}

TEST_F(OnceDovecotTest, AlertWithYesRunsItsTargetAndDeletes) {
  const QString marker = home.filePath("alert-ran");
  const QString script = home.filePath("on-alert.sh");
  {
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(("#!/bin/sh\ntouch '" + marker + "'\n").toUtf8());
  }
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  dovecot().maildir().add_all({mail("boss@work.example", "URGENT: call me"), mail("a@x.example", "later")});
  AccountRecord r = account();
  r.alerts = {AlertRule{"urgent", 1, script, "yes"}, AlertRule{"call", 1, script, ""}};
  save(r);
  const OnceRun once = run({"--once"});
  EXPECT_EQ(once.exit_code, 0);
  EXPECT_TRUE(once.lines.contains("Email Alert! boss@work.example - home - URGENT: call me"));
  EXPECT_TRUE(once.lines.contains("Message 1 of 2 in account: home marked for deletion."));
  EXPECT_EQ(subjects_left(), (std::vector<std::string>{"later"}));
  for (int i = 0; i < 100 && !QFile::exists(marker); ++i) QThread::msleep(50);
  EXPECT_TRUE(QFile::exists(marker));
}

TEST_F(OnceDovecotTest, DryRunJudgesEverythingAndLeavesEveryMessage) {
  dovecot().maildir().add_all({mail("deals@spam.example", "one"), mail("amy@ham.example", "two"),
                               mail("boss@work.example", "urgent")});
  AccountRecord r = account();
  r.from_list = {"spam.example"};
  r.alerts = {AlertRule{"urgent", 1, "/bin/touch", "yes"}};
  save(r);
  const OnceRun once = run({"--once", "--dry-run"});
  EXPECT_EQ(once.exit_code, 0);
  EXPECT_TRUE(once.lines.contains("Message 1 of 3 in account: home would be deleted (dry run)."));
  EXPECT_TRUE(once.lines.contains("Processed 2 of 3 in account: home"));
  EXPECT_TRUE(once.lines.contains("Message 3 of 3 in account: home would be deleted (dry run)."));
  EXPECT_FALSE(once.lines.join('\n').contains("marked for deletion"));
  EXPECT_EQ(dovecot().maildir().count(), 3u);
}

TEST_F(OnceDovecotTest, FailedLoginExitsWithOne) {
  AccountRecord r = account();
  r.password = "wrong";
  save(r);
  const OnceRun once = run({"--once"});
  EXPECT_EQ(once.exit_code, 1);
  EXPECT_EQ(once.lines.mid(3), (QStringList{"Logging into account: home", "Error logging into: home",
                                           "Continuing to next email account.",
                                           "Cause: the server answered: -ERR [AUTH] Authentication failed.",
                                           "Exit out of filter process."}));
}

// A TLS account: the server text pop3s://host:port is stored as typed and the session
// verifies the test authority's certificate for localhost.
TEST_F(OnceDovecotTest, TlsAccountFiltersItsMailboxEndToEnd) {
  ASSERT_NE(dovecot().tls_port(), 0);
  dovecot().maildir().add_all({mail("deals@spam.example", "one"), mail("amy@ham.example", "two")});
  AccountRecord r = account();
  r.server = QString::fromStdString("pop3s://localhost:" + std::to_string(dovecot().tls_port()));
  r.from_list = {"spam.example"};
  save(r);
  QProcessEnvironment trust;
  trust.insert("SSL_CERT_FILE", QString::fromStdString(dovecot().certificates()->ca_file().string()));
  trust.insert("SSL_CERT_DIR", home.filePath("no-such-cert-dir"));
  const OnceRun once = run({"--once"}, trust);
  EXPECT_EQ(once.exit_code, 0) << once.errors.toStdString();
  EXPECT_TRUE(once.lines.contains("Message 1 of 2 in account: home marked for deletion."));
  EXPECT_TRUE(once.lines.contains("Processed 2 of 2 in account: home"));
  EXPECT_EQ(subjects_left(), (std::vector<std::string>{"two"}));

  // Without trust in the test authority the login fails and nothing is touched.
  dovecot().maildir().add_all({mail("deals@spam.example", "three")});
  QProcessEnvironment untrusted;
  untrusted.insert("SSL_CERT_FILE", home.filePath("no-such-ca.pem"));
  untrusted.insert("SSL_CERT_DIR", home.filePath("no-such-cert-dir"));
  const OnceRun refused = run({"--once"}, untrusted);
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_TRUE(refused.lines.contains("Error logging into: home"));
  EXPECT_EQ(dovecot().maildir().count(), 2u);
}

TEST_F(OnceDovecotTest, NoAccountOrWrongArgumentsExitWithTwo) {
  EXPECT_EQ(run({"--once"}).exit_code, 2);
  save(account());
  EXPECT_EQ(run({"--dry-run"}).exit_code, 2);
  EXPECT_EQ(run({"--once", "--what"}).exit_code, 2);
}

}  // namespace
}  // namespace halvex
