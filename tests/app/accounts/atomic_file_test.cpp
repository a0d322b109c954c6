// Atomic replacement of a file.
#include "accounts/atomic_file.h"
#include "account_fixture.h"

#include <QFileInfo>
#include <sys/stat.h>

namespace halvex {
namespace {

using test::AccountFolder;

mode_t mode_of(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(AccountFolder, AtomicWriteReplacesContentAndSetsTheMode) {
  write("f", "old old old");
  ASSERT_TRUE(write_file_atomically(path("f"), "new", 0640));
  EXPECT_EQ(read("f"), "new");
  EXPECT_EQ(mode_of(path("f")), 0640u);
  ASSERT_TRUE(write_file_atomically(path("g"), "", 0600));
  EXPECT_TRUE(QFileInfo(path("g")).isFile());
  EXPECT_EQ(read("g"), QByteArray());
}

TEST_F(AccountFolder, ShortWriteFailsAndKeepsTheOldFile) {
  write("f", "old");
  bool ok = true;
  {
    const test::FileSizeLimit limit(100);
    ASSERT_TRUE(limit.active());
    ok = write_file_atomically(path("f"), QByteArray(5000, 'x'), 0600);
  }
  EXPECT_FALSE(ok);
  EXPECT_EQ(read("f"), "old");
  EXPECT_EQ(files(), QStringList{"f"});
}

TEST_F(AccountFolder, WriteOverAFolderOrIntoAMissingFolderFails) {
  QDir(folder()).mkdir("d");
  EXPECT_FALSE(write_file_atomically(path("d"), "x", 0600));
  EXPECT_TRUE(QFileInfo(path("d")).isDir());
  EXPECT_FALSE(write_file_atomically(path("missing/f"), "x", 0600));
  EXPECT_EQ(files(), QStringList{"d"});
}

}  // namespace
}  // namespace halvex
