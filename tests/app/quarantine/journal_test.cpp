// The deletion journal: records survive hostile text, forgetting hides a record, the file
// rotates instead of growing and only its owner can read it.
#include "quarantine/deletion_journal.h"

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace halvex {
namespace {

DeletionRecord record(const QString& id, const QString& subject, int minutes_ago = 0) {
  DeletionRecord r;
  r.id = id;
  r.time = QDateTime::currentDateTimeUtc().addSecs(-60 * minutes_ago);
  r.time = r.time.addMSecs(-r.time.time().msec());  // the journal keeps whole seconds
  r.account = QStringLiteral("home");
  r.message_number = 3;
  r.message_id = QStringLiteral("<a@b>");
  r.sender = QStringLiteral("x@spam.example");
  r.subject = subject;
  r.size = 1234;
  r.rule = QStringLiteral("subject");
  r.list = QStringLiteral("Subject");
  r.phrase = QStringLiteral("win");
  r.field = QStringLiteral("subject");
  r.reason = QStringLiteral("Subject phrase \"win\" found in the subject");
  r.copy = kCopyFull;
  return r;
}

struct FieldCase {
  const char* name;
  QString text;
};

class JournalFieldTest : public ::testing::TestWithParam<FieldCase> {};

// Whatever a subject holds, the record reads back equal and takes exactly one line.
TEST_P(JournalFieldTest, RoundTripsOnOneLine) {
  const DeletionRecord r = record(QStringLiteral("1"), GetParam().text);
  const QString line = journal_line(r);
  EXPECT_FALSE(line.contains(QLatin1Char('\n')));
  EXPECT_FALSE(line.contains(QLatin1Char('\r')));
  EXPECT_EQ(line.count(QLatin1Char('\t')), 15);
  const JournalLine parsed = parse_journal_line(line);
  ASSERT_TRUE(parsed.deletion.has_value());
  EXPECT_EQ(*parsed.deletion, r);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JournalFieldTest,
    ::testing::Values(FieldCase{"plain", "You win"}, FieldCase{"tab", "a\tb"}, FieldCase{"line_breaks", "a\r\nD\tforged"},
                      FieldCase{"backslashes", "C:\\temp\\n not a newline\\"}, FieldCase{"empty", ""},
                      FieldCase{"escape_lookalike", "\\t\\n\\\\"}, FieldCase{"non_ascii", QString::fromUtf8("Grüße ✓")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JournalLines, OtherLinesAreIgnored) {
  for (const char* line : {"", "X\t1\t2", "D\t\t2026-01-01T00:00:00Z", "F", "garbage without tabs"}) {
    const JournalLine parsed = parse_journal_line(QString::fromLatin1(line));
    EXPECT_FALSE(parsed.deletion.has_value()) << line;
    EXPECT_FALSE(parsed.forget.has_value()) << line;
  }
}

TEST(DeletionJournal, NewestFirstForgottenLeftOutOwnerOnly) {
  QTemporaryDir dir;
  DeletionJournal journal(dir.path());
  ASSERT_TRUE(journal.append(record("old", "first", 10)));
  ASSERT_TRUE(journal.append(record("new", "second", 1)));
  ASSERT_TRUE(journal.append(record("gone", "third", 5)));
  ASSERT_TRUE(journal.append(ForgetRecord{"gone", QDateTime::currentDateTimeUtc(), "deleted for good"}));
  const QList<DeletionRecord> all = journal.records();
  ASSERT_EQ(all.size(), 2);
  EXPECT_EQ(all.at(0).id, "new");
  EXPECT_EQ(all.at(1).id, "old");
  EXPECT_FALSE(journal.find("gone").has_value());
  EXPECT_EQ(journal.find("old")->subject, "first");
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(journal.path()).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(DeletionJournal, RotatesAndStillReadsTheOlderFile) {
  QTemporaryDir dir;
  DeletionJournal journal(dir.path(), 600);  // a few records per file
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(journal.append(record(QString::number(i), "s", 100 - i)));
  EXPECT_TRUE(QFile::exists(journal.rotated_path()));
  EXPECT_LT(QFileInfo(journal.path()).size(), 600 + 400);
  const QList<DeletionRecord> all = journal.records();
  ASSERT_FALSE(all.isEmpty());
  EXPECT_EQ(all.front().id, "11");  // the newest survives rotation
  EXPECT_LT(all.size(), 12);        // the oldest went with the file before last
}

TEST(DeletionJournal, ASessionsRecordsGoInTogetherAfterEarlierOnes) {
  QTemporaryDir dir;
  DeletionJournal journal(dir.path());
  ASSERT_TRUE(journal.append_all({}));
  EXPECT_FALSE(QFile::exists(journal.path()));  // nothing to write, no file
  ASSERT_TRUE(journal.append(record("a", "earlier", 9)));
  ASSERT_TRUE(journal.append_all({record("b", "one", 3), record("c", "two", 2), record("d", "three", 1)}));
  const QList<DeletionRecord> all = journal.records();
  ASSERT_EQ(all.size(), 4);
  EXPECT_EQ(all.at(0).id, "d");
  EXPECT_EQ(all.at(2).subject, "one");
  EXPECT_EQ(all.at(3).id, "a");
  QFile file(journal.path());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().count('\n'), 4);  // one line each, none run together
}

TEST(DeletionJournal, UnwritableFolderFails) {
  DeletionJournal journal(QStringLiteral("/proc/no-such-folder"));
  EXPECT_FALSE(journal.append(record("1", "s")));
  EXPECT_FALSE(journal.append_all({record("2", "s")}));
  EXPECT_TRUE(journal.records().isEmpty());
}

}  // namespace
}  // namespace halvex
