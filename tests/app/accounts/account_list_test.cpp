// Listing, finding and removing the account files of a folder.
#include "accounts/account_file.h"
#include "accounts/account_format.h"
#include "account_fixture.h"

#include <algorithm>

namespace halvex {
namespace {

using test::AccountFolder;

QByteArray account_bytes(const QString& description) {
  AccountRecord r;
  r.description = description;
  return *format_account(r);
}

QStringList sorted(QStringList list) {
  std::sort(list.begin(), list.end());
  return list;
}

TEST_F(AccountFolder, ListsDatFilesOfAnyCaseOnly) {
  write("home.dat", account_bytes("home"));
  write("HOME.DAT", account_bytes("HOME"));
  write("Work.Dat", account_bytes("Work"));
  write("notes.txt", "x");
  write("xdat", "no dot");
  write(".hidden.dat", account_bytes(".hidden"));
  write("tiny.dat", "x");
  write("empty.dat", {});
  QDir(folder()).mkdir("x.dat");
  EXPECT_EQ(sorted(get_accounts(folder())),
            (QStringList{"HOME", "Work", "empty", "home", "tiny"}));
}

TEST_F(AccountFolder, ListsAnEmptyFolderAndAMissingOneAsNoAccounts) {
  EXPECT_TRUE(get_accounts(folder()).isEmpty());
  EXPECT_TRUE(get_accounts(folder() + "missing/").isEmpty());
  EXPECT_TRUE(get_accounts(QString()).isEmpty());
}

TEST_F(AccountFolder, UpperCaseExtensionIsLoadedSavedAndRemovedInPlace) {
  write("HOME.DAT", account_bytes("HOME"));
  EXPECT_EQ(account_file_path(folder(), "HOME"), path("HOME.DAT"));
  AccountRecord r;
  ASSERT_TRUE(load_account(folder(), "HOME", r));
  EXPECT_EQ(r.description, "HOME");
  r.server = QStringLiteral("pop.example.com");
  ASSERT_TRUE(save_account(folder(), "HOME", r));
  EXPECT_EQ(files(), QStringList{"HOME.DAT"});
  EXPECT_EQ(read("HOME.DAT"), *format_account(r));
  ASSERT_TRUE(remove_account(folder(), "HOME"));
  EXPECT_TRUE(files().isEmpty());
}

TEST_F(AccountFolder, ExactNameWinsAndOtherStemsAreNotMatched) {
  write("home.DAT", account_bytes("upper"));
  write("home.dat", account_bytes("exact"));
  write("Home.dat", account_bytes("other stem"));
  EXPECT_EQ(account_file_path(folder(), "home"), path("home.dat"));
  EXPECT_EQ(account_file_path(folder(), "hom"), path("hom.dat"));
  EXPECT_EQ(account_file_path(folder().chopped(1), "x"), path("x.dat"));
}

TEST_F(AccountFolder, RemoveDeletesOnlyThatAccount) {
  write("a.dat", account_bytes("a"));
  write("b.dat", account_bytes("b"));
  ASSERT_TRUE(remove_account(folder(), "a"));
  EXPECT_EQ(get_accounts(folder()), QStringList{"b"});
}

TEST_F(AccountFolder, RemoveFailsForAMissingFileOrAFolder) {
  EXPECT_FALSE(remove_account(folder(), "missing"));
  QDir(folder()).mkdir("x.dat");
  EXPECT_FALSE(remove_account(folder(), "x"));
  EXPECT_TRUE(QFileInfo(path("x.dat")).isDir());
}

TEST_F(AccountFolder, SaveIntoAFolderOfThatNameFails) {
  QDir(folder()).mkdir("x.dat");
  AccountRecord r;
  r.description = QStringLiteral("x");
  EXPECT_FALSE(save_account(folder(), "x", r));
  EXPECT_TRUE(QFileInfo(path("x.dat")).isDir());
}

}  // namespace
}  // namespace halvex
