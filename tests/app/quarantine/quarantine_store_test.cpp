// Copies through the component's message store: every byte kept, account names kept inside
// their folder, retention removing old copies and only those.
#include "quarantine/copy_id.h"
#include "quarantine/quarantine.h"
#include "quarantine/restore_copy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace halvex {
namespace {

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

class QuarantineStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    qputenv("VELMO_MAILFOLDERS", dir.filePath("MailFolders").toUtf8());
  }
  void TearDown() override { qunsetenv("VELMO_MAILFOLDERS"); }
  QTemporaryDir dir;
};

TEST_F(QuarantineStoreTest, KeepsEveryByteUnderANewId) {
  QuarantineStore store;
  ASSERT_TRUE(store.ok());
  // UTF-8, raw Latin-1 and a lone 0xFF: every byte as given.
  const QByteArray message = QByteArray("Subject: ") + QString::fromUtf8("Grüße").toUtf8() +
                             "\r\nX-Latin: caf\xE9\r\n\r\n.\r\n..x \xFF\x80\r\n";
  const std::optional<QString> id = store.keep("home", message);
  ASSERT_TRUE(id.has_value());
  EXPECT_TRUE(is_copy_id(*id));
  EXPECT_TRUE(store.exists("home", *id));
  EXPECT_EQ(read_all(store.file_path("home", *id)), message);
  const std::optional<QString> second = store.keep("home", message);
  ASSERT_TRUE(second.has_value());
  EXPECT_NE(*second, *id);
  EXPECT_TRUE(store.remove("home", *id));
  EXPECT_FALSE(store.exists("home", *id));
}

TEST_F(QuarantineStoreTest, AccountNamesStayInsideTheirFolder) {
  struct Case {
    QString account;
    QString mailbox;
  };
  for (const Case& c : {Case{"..", "Quarantine/%2E."}, Case{"a/../../b", "Quarantine/a%2F..%2F..%2Fb"},
                        Case{"", "Quarantine/%"}, Case{"100%", "Quarantine/100%25"}, Case{"home", "Quarantine/home"}}) {
    EXPECT_EQ(QuarantineStore::mailbox_of(c.account), c.mailbox) << c.account.toStdString();
    QuarantineStore store;
    const std::optional<QString> id = store.keep(c.account, "x\r\n");
    ASSERT_TRUE(id.has_value()) << c.account.toStdString();
    EXPECT_TRUE(QFileInfo(store.file_path(c.account, *id)).canonicalFilePath().startsWith(
        QDir(dir.filePath("MailFolders/Quarantine")).canonicalPath() + '/'));
  }
}

TEST_F(QuarantineStoreTest, RootThatCannotBeMadeKeepsNothing) {
  QFile blocker(dir.filePath("file"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  qputenv("VELMO_MAILFOLDERS", dir.filePath("file/MailFolders").toUtf8());
  QuarantineStore store;
  EXPECT_FALSE(store.keep("home", "x\r\n").has_value());
}

TEST_F(QuarantineStoreTest, RetentionPurgesOldCopiesOnly) {
  Quarantine q(QuarantineSettings{1, 30, 1000}, dir.path());
  QuarantineStore& store = q.store();
  const QDateTime now = QDateTime::currentDateTimeUtc();
  const QString old_a = *store.keep("a", "old\r\n", now.addDays(-31));
  const QString old_b = *store.keep("b", "old\r\n", now.addDays(-45));
  const QString young = *store.keep("a", "young\r\n", now.addDays(-29));
  // A file of another program in the mailbox is never touched.
  QFile foreign(QFileInfo(store.file_path("a", young)).path() + "/bm90ZXM=.eml");
  ASSERT_TRUE(foreign.open(QIODevice::WriteOnly));
  foreign.close();

  EXPECT_EQ(q.purge_expired(now), 2);
  EXPECT_FALSE(store.exists("a", old_a));
  EXPECT_FALSE(store.exists("b", old_b));
  EXPECT_TRUE(store.exists("a", young));
  EXPECT_TRUE(foreign.exists());
  EXPECT_EQ(q.purge_expired(now), 0);
  // The journal notes each purge, so their records leave the lists.
  const QString journal = QString::fromUtf8(read_all(q.journal().path()));
  EXPECT_TRUE(journal.contains("F\t" + old_a + "\t")) << journal.toStdString();
  EXPECT_TRUE(journal.contains("F\t" + old_b + "\t"));
  EXPECT_FALSE(journal.contains(young));
}

TEST(CopyId, ReadsItsTimeBack) {
  const QDateTime when = QDateTime::fromString("2026-12-08T10:42:16.123Z", Qt::ISODateWithMs);
  const QString id = make_copy_id(when);
  EXPECT_TRUE(id.startsWith("20261208104216123"));
  EXPECT_EQ(copy_id_time(id), when);
  for (const char* bad : {"", "2026120810421612", "2026120810421612312345x", "99999999999999999999a", "20261308104216123 123"})
    EXPECT_FALSE(copy_id_time(QString::fromLatin1(bad)).isValid()) << bad;
}

TEST(RestoreCopy, FileFolderAndUnwritable) {
  QTemporaryDir dir;
  const QString source = dir.filePath("src.eml");
  {
    QFile f(source);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    static const char kBytes[] = "A: b\r\n\r\n\x01\xff body\r\n";
    f.write(kBytes, sizeof kBytes - 1);
  }
  const RestoreResult to_file = restore_copy(source, dir.filePath("out.eml"), "x.eml");
  EXPECT_TRUE(to_file.error.isEmpty());
  EXPECT_EQ(read_all(to_file.path), read_all(source));

  ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
  const RestoreResult first = restore_copy(source, dir.filePath("folder"), "123.eml");
  const RestoreResult second = restore_copy(source, dir.filePath("folder"), "123.eml");
  EXPECT_EQ(QFileInfo(first.path).fileName(), "123.eml");
  EXPECT_EQ(QFileInfo(second.path).fileName(), "123 (2).eml");
  EXPECT_EQ(read_all(second.path), read_all(source));

  const RestoreResult bad = restore_copy(source, dir.filePath("no/such/folder/x.eml"), "x.eml");
  EXPECT_TRUE(bad.path.isEmpty());
  EXPECT_FALSE(bad.error.isEmpty());
  const RestoreResult missing = restore_copy(dir.filePath("none.eml"), dir.filePath("y.eml"), "y.eml");
  EXPECT_FALSE(missing.error.isEmpty());
  EXPECT_FALSE(QFile::exists(dir.filePath("y.eml")));
}

}  // namespace
}  // namespace halvex
