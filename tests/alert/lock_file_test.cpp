// The lock file on disk: its exact bytes, the length test, the flock that holds it, replacing
// and removing it.
#include "lock_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "qt_print.h"

#include <gtest/gtest.h>

namespace halvex::alert {
namespace {

bool write_lock_file(const QString& path) { return take_lock(path).outcome == LockOutcome::taken; }

QByteArray read_all(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void write_bytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

struct ExistsRow {
  const char* name;
  int length;  // bytes of a regular file; -1 none, -2 a folder
  bool exists;
};

class FileExists : public testing::TestWithParam<ExistsRow> {};

TEST_P(FileExists, TrueOnlyForARegularFileLongerThanOneByte) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(u"x.lck"_qs);
  if (GetParam().length >= 0) write_bytes(path, QByteArray(GetParam().length, 'x'));
  if (GetParam().length == -2) {
    ASSERT_TRUE(QDir().mkdir(path));
  }
  EXPECT_EQ(file_exists(path), GetParam().exists);
}

INSTANTIATE_TEST_SUITE_P(Rows, FileExists,
                         testing::Values(ExistsRow{"missing", -1, false},
                                         ExistsRow{"empty", 0, false},
                                         ExistsRow{"one_byte", 1, false},
                                         ExistsRow{"two_bytes", 2, true},
                                         ExistsRow{"lock_sized", 13, true},
                                         ExistsRow{"folder", -2, false}),
                         [](const testing::TestParamInfo<ExistsRow>& info) {
                           return std::string(info.param.name);
                         });

TEST(FileExists, EmptyPathIsFalse) { EXPECT_FALSE(file_exists(QString())); }

TEST(TakeLock, WritesExactlyThirteenBytes) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"a_c.lck"_qs);
  ASSERT_TRUE(write_lock_file(path));
  EXPECT_EQ(read_all(path), QByteArray("\"lock file\"\r\n"));
  EXPECT_EQ(QFileInfo(path).size(), 13);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"a_c.lck"_qs});
}

TEST(TakeLock, ReplacesAOneByteFile) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"a_c.lck"_qs);
  write_bytes(path, "x");
  ASSERT_TRUE(write_lock_file(path));
  EXPECT_EQ(read_all(path), QByteArray(lock_file_content));
}

TEST(TakeLock, FailsWithoutItsFolderAndLeavesNothing) {
  QTemporaryDir dir;
  EXPECT_FALSE(write_lock_file(dir.filePath(u"missing/a_c.lck"_qs)));
  EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(TakeLock, FailsOnAFolderInTheWay) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"a_c.lck"_qs);
  ASSERT_TRUE(QDir().mkdir(path));
  EXPECT_FALSE(write_lock_file(path));
  EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(TakeLock, FailsOnANameTooLongForTheFileSystem) {
  QTemporaryDir dir;
  EXPECT_FALSE(write_lock_file(dir.filePath(QString(300, u'a') + u".lck"_qs)));
  EXPECT_TRUE(QDir(dir.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST(TakeLock, HeldLockBlocksUntilReleasedAndALeftoverIsTakenOver) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"a_c.lck"_qs);
  LockAttempt first = take_lock(path);
  ASSERT_EQ(first.outcome, LockOutcome::taken);
  ASSERT_TRUE(first.hold && first.hold->held());
  const LockAttempt second = take_lock(path);
  EXPECT_EQ(second.outcome, LockOutcome::held_elsewhere);
  EXPECT_FALSE(second.hold);
  // The holder goes without deleting its file: what it leaves behind blocks nothing.
  first.hold->release();
  EXPECT_TRUE(file_exists(path));
  write_bytes(path, "a much longer leftover than a lock file holds");
  const LockAttempt third = take_lock(path);
  EXPECT_EQ(third.outcome, LockOutcome::taken);
  EXPECT_EQ(read_all(path), QByteArray(lock_file_content));
}

TEST(TakeLock, ADeletedFileIsNotLockedInPlaceOfTheOneAtThePath) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"a_c.lck"_qs);
  LockAttempt first = take_lock(path);
  ASSERT_EQ(first.outcome, LockOutcome::taken);
  // "&Close" order: the file goes first, then the flock; a new start makes a new file.
  ASSERT_TRUE(remove_lock_file(path));
  first.hold->release();
  const LockAttempt next = take_lock(path);
  EXPECT_EQ(next.outcome, LockOutcome::taken);
  EXPECT_EQ(take_lock(path).outcome, LockOutcome::held_elsewhere);
}

TEST(TakeLock, NeverFollowsASymbolicLink) {
  QTemporaryDir dir;
  const QString target = dir.filePath(u"precious"_qs);
  write_bytes(target, "keep me");
  const QString path = dir.filePath(u"a_c.lck"_qs);
  ASSERT_TRUE(QFile::link(target, path));
  EXPECT_EQ(take_lock(path).outcome, LockOutcome::failed);
  EXPECT_EQ(read_all(target), QByteArray("keep me"));
}

TEST(RemoveLockFile, RemovesAndToleratesAFileAlreadyGone) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"a_c.lck"_qs);
  ASSERT_TRUE(write_lock_file(path));
  EXPECT_TRUE(remove_lock_file(path));
  EXPECT_FALSE(QFileInfo::exists(path));
  EXPECT_TRUE(remove_lock_file(path));
}

TEST(RemoveLockFile, FailsOnAFolder) {
  QTemporaryDir dir;
  const QString path = dir.filePath(u"a_c.lck"_qs);
  ASSERT_TRUE(QDir().mkdir(path));
  EXPECT_FALSE(remove_lock_file(path));
}

}  // namespace
}  // namespace halvex::alert
