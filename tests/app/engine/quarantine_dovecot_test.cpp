// Quarantine end to end: halvex --once against the test Dovecot keeps a copy of every
// message before it deletes it, journals the deletion with its rule, gives the copy back
// with --restore, deletes nothing it could not copy, keeps only the header of a message
// over the cap and purges copies past their retention. Copies are the server's bytes (8-bit
// text included), records carry the server's unique id, and a deletion whose QUIT the server
// refused is noted as not confirmed.
#include "once_fixture.h"

#include "quarantine/quarantine.h"

#include "net/pop3_replies.h"
#include "net/raw_pop3_client.h"
#include "net/scripted_pop3_server.h"

#include <sstream>

#include <gtest/gtest.h>

namespace halvex {
namespace {

class QuarantineDovecotTest : public OnceDovecotTest {
 protected:
  void SetUp() override {
    OnceDovecotTest::SetUp();
    mail_folders = home.filePath("MailFolders");
    qputenv("VELMO_MAILFOLDERS", mail_folders.toUtf8());
  }
  void TearDown() override {
    qunsetenv("VELMO_MAILFOLDERS");
    OnceDovecotTest::TearDown();
  }
  QProcessEnvironment env() const {
    QProcessEnvironment e;
    e.insert("VELMO_MAILFOLDERS", mail_folders);
    return e;
  }
  void set_option(const QString& key, const QString& value) {
    QSettings store(home.filePath("config/Tarnell Halvex.ini"), QSettings::IniFormat);
    store.beginGroup("Options");
    store.setValue(key, value);
  }
  static QByteArray read_all(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
  }
  std::optional<DeletionRecord> record_of(int message_number) {
    for (const DeletionRecord& r : DeletionJournal(app_folder()).records())
      if (r.message_number == message_number) return r;
    return std::nullopt;
  }

  // One spam message on a scripted server, as far as its RETR; the test scripts the rest.
  static constexpr const char* kSpamHeader = "From: Deals <deals@spam.example>\r\nSubject: one\r\n";
  static testnet::Conversation spam_up_to_retr() {
    const std::string header = kSpamHeader;
    testnet::Conversation c;
    c.greet().login("user", "secret").on("STAT", testnet::stat_reply(1, 300));
    c.on("STAT", testnet::stat_reply(1, 300)).on("LIST", testnet::list_reply({300}));
    c.on("TOP 1 0", "+OK\r\n" + header + "\r\n.\r\n").on("RETR 1", "+OK\r\n" + header + "\r\nbody\r\n.\r\n");
    return c;
  }
  // The account "home" on that server, its From list naming the spam.
  void save_scripted_account(const testnet::ScriptedPop3Server& server) {
    AccountRecord r = account();
    r.server = QString::fromStdString(server.address());
    r.user_id = "user";
    r.password = "secret";
    r.from_list = {"spam.example"};
    save(r);
  }

  QString mail_folders;
};

TEST_F(QuarantineDovecotTest, CopiesEqualWhatTheServerServedAndComeBackWithRestore) {
  std::string stuffed = mail("Lottery <win@prize.example>", "You WIN");
  stuffed.insert(stuffed.find("\r\n\r\n") + 4, ".a line with a dot\r\n..two dots\r\n.\r\n");
  dovecot().maildir().add_all({mail("Deals <deals@spam.example>", "one"), mail("Amy <amy@ham.example>", "two"), stuffed});
  const std::vector<std::string> served = dovecot().maildir().messages();
  AccountRecord r = account();
  r.from_list = {"spam.example"};
  r.subject_list = {"win"};
  save(r);

  // A dry run retrieves and stores nothing.
  EXPECT_EQ(run({"--once", "--dry-run"}, env()).exit_code, 0);
  EXPECT_FALSE(QFileInfo::exists(mail_folders + "/Quarantine"));
  EXPECT_FALSE(QFileInfo::exists(app_folder() + "deletions.journal"));

  const OnceRun once = run({"--once"}, env());
  ASSERT_EQ(once.exit_code, 0) << once.errors.toStdString() << once.lines.join('\n').toStdString();
  EXPECT_EQ(subjects_left(), (std::vector<std::string>{"two"}));

  const std::optional<DeletionRecord> first = record_of(1);
  const std::optional<DeletionRecord> third = record_of(3);
  ASSERT_TRUE(first && third);
  EXPECT_EQ(DeletionJournal(app_folder()).records().size(), 2);
  EXPECT_EQ(first->rule, "from");
  EXPECT_EQ(first->list, "From");
  EXPECT_EQ(first->phrase, "spam.example");
  EXPECT_EQ(first->field, "sender address");
  EXPECT_EQ(first->sender, "deals@spam.example");
  EXPECT_EQ(first->subject, "one");
  EXPECT_EQ(first->account, "home");
  EXPECT_FALSE(first->message_id.isEmpty());
  EXPECT_EQ(third->rule, "subject");
  EXPECT_EQ(third->phrase, "win");
  EXPECT_EQ(third->field, "subject");
  EXPECT_EQ(first->copy, kCopyFull);
  EXPECT_EQ(first->size, static_cast<qint64>(served.at(0).size()));

  QuarantineStore store;
  EXPECT_EQ(read_all(store.file_path("home", first->id)).toStdString(), served.at(0));
  EXPECT_EQ(read_all(store.file_path("home", third->id)).toStdString(), served.at(2));

  // --deleted: one tab-separated line per record, newest first.
  const OnceRun listed = run({"--deleted"}, env());
  EXPECT_EQ(listed.exit_code, 0);
  const QStringList lines = listed.output.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2) << listed.output.toStdString();
  const QStringList fields = lines.at(1).split('\t');
  ASSERT_EQ(fields.size(), 7) << lines.at(1).toStdString();
  EXPECT_EQ(fields.at(0), first->id);
  EXPECT_EQ(fields.at(2), "home");
  EXPECT_EQ(fields.at(3), "deals@spam.example");
  EXPECT_EQ(fields.at(4), "one");
  EXPECT_EQ(fields.at(6), "From phrase \"spam.example\" found in the sender address");

  // --restore: the same bytes, into a file or a folder; bad ids and paths exit with 2.
  const QString target = home.filePath("restored.eml");
  const OnceRun restored = run({"--restore", third->id, target}, env());
  EXPECT_EQ(restored.exit_code, 0) << restored.errors.toStdString();
  EXPECT_EQ(restored.output.trimmed(), target);
  EXPECT_EQ(read_all(target).toStdString(), served.at(2));
  const OnceRun into_folder = run({"--restore", first->id, home.path()}, env());
  EXPECT_EQ(into_folder.exit_code, 0);
  EXPECT_EQ(read_all(into_folder.output.trimmed()).toStdString(), served.at(0));
  EXPECT_EQ(run({"--restore", "12345", target}, env()).exit_code, 2);
  const OnceRun unwritable = run({"--restore", first->id, home.filePath("no/such/folder/x.eml")}, env());
  EXPECT_EQ(unwritable.exit_code, 2);
  EXPECT_FALSE(unwritable.errors.isEmpty());
  EXPECT_EQ(run({"--restore", first->id}, env()).exit_code, 2);
}

// What Dovecot answers to UIDL, message by message.
std::vector<std::string> dovecot_uidls(std::uint16_t port, const testnet::MailUser& user) {
  testnet::RawPop3Client client(testnet::Family::v4, port);
  client.read_line();
  client.command("USER " + user.name);
  client.command("PASS " + user.password);
  const std::string listing = client.multi_line_command("UIDL").value_or("");
  client.command("QUIT");
  std::vector<std::string> ids;
  std::istringstream lines(listing);
  std::string line;
  std::getline(lines, line);  // +OK
  for (std::string number, id; lines >> number && number != "." && lines >> id;) ids.push_back(id);
  return ids;
}

TEST_F(QuarantineDovecotTest, EightBitMessagesAreKeptByteForByteWithTheServersUniqueId) {
  // Raw Latin-1 (no charset can make these bytes UTF-8) and a lone 0xFF, with a dot line.
  const std::string latin1 = "From: Ren\xE9 <rene@spam.example>\r\nTo: Me <me@home.example>\r\n"
                             "Subject: caf\xE9 cr\xE8me\r\nMessage-ID: <latin1@test>\r\n\r\n"
                             "na\xEFve \xE0 la carte \xA3 5\r\n";
  const std::string odd = "From: odd@spam.example\r\nTo: Me <me@home.example>\r\nSubject: odd byte\r\n"
                          "Message-ID: <odd@test>\r\n\r\nbefore \xFF after\r\n.dot \x80\x81\r\nend\r\n";
  dovecot().maildir().add_all({latin1, mail("Amy <amy@ham.example>", "keep"), odd});
  const std::vector<std::string> served = dovecot().maildir().messages();
  const std::vector<std::string> uidls = dovecot_uidls(dovecot().port(), dovecot().user());
  ASSERT_EQ(uidls.size(), 3u);
  AccountRecord r = account();
  r.from_list = {"spam.example"};
  save(r);

  const OnceRun once = run({"--once"}, env());
  ASSERT_EQ(once.exit_code, 0) << once.lines.join('\n').toStdString();
  EXPECT_EQ(subjects_left(), (std::vector<std::string>{"keep"}));
  QuarantineStore store;
  for (const int k : {1, 3}) {
    const std::optional<DeletionRecord> rec = record_of(k);
    ASSERT_TRUE(rec) << k;
    EXPECT_EQ(rec->copy, kCopyFull);
    EXPECT_EQ(rec->uidl.toStdString(), uidls.at(k - 1));
    EXPECT_FALSE(rec->reason.contains(kUnconfirmedNote));
    EXPECT_EQ(read_all(store.file_path("home", rec->id)).toStdString(), served.at(k - 1)) << k;
    const QString target = home.filePath(QStringLiteral("restored-%1.eml").arg(k));
    const OnceRun restored = run({"--restore", rec->id, target}, env());
    EXPECT_EQ(restored.exit_code, 0) << restored.errors.toStdString();
    EXPECT_EQ(read_all(target).toStdString(), served.at(k - 1)) << k;
  }
}

// A server removes marked messages only once it has answered QUIT: when it refuses QUIT, the
// journal must not claim a deletion that may not have happened, and the copy stays.
TEST_F(QuarantineDovecotTest, DeletionIsNotedAsUnconfirmedWhenTheServerRefusesQuit) {
  const std::string header = kSpamHeader;
  testnet::Conversation c = spam_up_to_retr();
  c.on("DELE 1", testnet::ok("marked")).on("QUIT", testnet::err("could not remove the marked messages"));
  testnet::ScriptedPop3Server server(c);
  save_scripted_account(server);

  const OnceRun once = run({"--once"}, env());
  EXPECT_EQ(once.exit_code, 0) << once.lines.join('\n').toStdString();
  EXPECT_EQ(server.problems(), std::vector<std::string>{});
  const std::optional<DeletionRecord> rec = record_of(1);
  ASSERT_TRUE(rec) << once.lines.join('\n').toStdString();
  EXPECT_TRUE(rec->reason.endsWith(kUnconfirmedNote)) << rec->reason.toStdString();
  EXPECT_EQ(rec->copy, kCopyFull);
  EXPECT_EQ(read_all(QuarantineStore().file_path("home", rec->id)).toStdString(), header + "\r\nbody\r\n");
}

// A DELE left unanswered may still be applied by a later QUIT: the copy and its record stay.
TEST_F(QuarantineDovecotTest, CopyStaysWhenTheServerNeverAnswersDele) {
  const std::string header = kSpamHeader;
  testnet::Conversation c = spam_up_to_retr();
  c.expect("DELE 1").stall();
  testnet::ScriptedPop3Server server(c);
  save_scripted_account(server);
  set_option("server_timeout", "2");

  const OnceRun once = run({"--once"}, env());
  const std::string log = once.lines.join('\n').toStdString();
  EXPECT_NE(once.exit_code, 0) << log;
  const std::optional<DeletionRecord> rec = record_of(1);
  ASSERT_TRUE(rec) << log;
  EXPECT_TRUE(rec->reason.endsWith(kUnconfirmedNote)) << rec->reason.toStdString();
  EXPECT_EQ(rec->copy, kCopyFull);
  EXPECT_EQ(read_all(QuarantineStore().file_path("home", rec->id)).toStdString(), header + "\r\nbody\r\n");
}

TEST_F(QuarantineDovecotTest, QuarantineThatCannotBeWrittenDeletesNothing) {
  QFile blocker(home.filePath("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  mail_folders = home.filePath("blocker/MailFolders");  // under a file: cannot be made
  dovecot().maildir().add_all({mail("deals@spam.example", "one"), mail("more@spam.example", "two")});
  AccountRecord r = account();
  r.from_list = {"spam.example"};
  save(r);
  const OnceRun once = run({"--once"}, env());
  EXPECT_EQ(once.exit_code, 1);
  EXPECT_EQ(dovecot().maildir().count(), 2u);
  EXPECT_TRUE(once.lines.contains(
      "Message 1 of 2 in account: home kept on the server: no copy could be saved in the quarantine."))
      << once.lines.join('\n').toStdString();
  EXPECT_TRUE(once.lines.contains(
      "Message 2 of 2 in account: home kept on the server: no copy could be saved in the quarantine."));
  EXPECT_FALSE(once.lines.join('\n').contains("marked for deletion"));
  EXPECT_TRUE(DeletionJournal(app_folder()).records().isEmpty());
}

TEST_F(QuarantineDovecotTest, MessageOverTheCapKeepsItsHeaderAndIsDeleted) {
  set_option("quarantine_max_bytes", "1000");
  dovecot().maildir().add_all({mail("big@spam.example", "large", 5000), mail("small@spam.example", "small", 100)});
  const std::vector<std::string> served = dovecot().maildir().messages();
  AccountRecord r = account();
  r.from_list = {"spam.example"};
  save(r);
  const OnceRun once = run({"--once"}, env());
  EXPECT_EQ(once.exit_code, 0) << once.lines.join('\n').toStdString();
  EXPECT_EQ(dovecot().maildir().count(), 0u);
  const std::optional<DeletionRecord> big = record_of(1);
  const std::optional<DeletionRecord> small = record_of(2);
  ASSERT_TRUE(big && small);
  EXPECT_EQ(big->copy, kCopyHeaderOnly);
  EXPECT_EQ(small->copy, kCopyFull);
  QuarantineStore store;
  const std::string header = read_all(store.file_path("home", big->id)).toStdString();
  const std::string served_header = served.at(0).substr(0, served.at(0).find("\r\n\r\n") + 2);
  EXPECT_EQ(header.substr(0, served_header.size()), served_header);
  EXPECT_EQ(header.find("bbbb"), std::string::npos);
  EXPECT_EQ(read_all(store.file_path("home", small->id)).toStdString(), served.at(1));
}

TEST_F(QuarantineDovecotTest, RetentionPurgesOldCopiesOnlyAtTheStartOfACycle) {
  set_option("quarantine_days", "10");
  QuarantineStore store;
  const QDateTime now = QDateTime::currentDateTimeUtc();
  const QString old_copy = *store.keep("home", "old\r\n", now.addDays(-11));
  const QString young_copy = *store.keep("home", "young\r\n", now.addDays(-9));
  const QString other_account = *store.keep("work", "old too\r\n", now.addDays(-40));
  save(account());
  const OnceRun once = run({"--once"}, env());
  EXPECT_EQ(once.exit_code, 0);
  EXPECT_FALSE(store.exists("home", old_copy));
  EXPECT_FALSE(store.exists("work", other_account));
  EXPECT_TRUE(store.exists("home", young_copy));
  EXPECT_TRUE(once.lines.contains("Quarantine: 2 copies older than 10 days purged.")) << once.lines.join('\n').toStdString();
}

}  // namespace
}  // namespace halvex
