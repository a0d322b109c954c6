// Resolving the application folder and installing the help page there.
#include "accounts/account_state.h"
#include "accounts/app_folder.h"
#include "accounts/account_format.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace halvex {
namespace {

class AppFolder : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    saved_home_ = qgetenv("HALVEX_HOME");
    saved_data_ = qgetenv("XDG_DATA_HOME");
  }
  void TearDown() override {
    qputenv("HALVEX_HOME", saved_home_);
    qputenv("XDG_DATA_HOME", saved_data_);
  }
  QString tmp(const QString& sub) const { return tmp_.filePath(sub); }

 private:
  QTemporaryDir tmp_;
  QByteArray saved_home_, saved_data_;
};

TEST_F(AppFolder, HalvexHomeIsCreatedKeptWithASlashAndExported) {
  qputenv("HALVEX_HOME", QFile::encodeName(tmp("a/b")));
  const QString folder = resolve_app_folder();
  EXPECT_EQ(folder, tmp("a/b") + "/");
  EXPECT_TRUE(QFileInfo(folder).isDir());
  EXPECT_EQ(app_folder(), folder);
  EXPECT_EQ(qEnvironmentVariable("HALVEX_HOME"), folder);
}

TEST_F(AppFolder, ANewFolderIsTheUsersAloneAnOldOneKeepsItsMode) {
  qputenv("HALVEX_HOME", QFile::encodeName(tmp("new")));
  const QString made = resolve_app_folder();
  constexpr auto kOwner = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
  const auto others = QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
  EXPECT_EQ(QFileInfo(made).permissions() & (kOwner | others), kOwner);
  ASSERT_TRUE(QDir().mkpath(tmp("old")));
  ASSERT_TRUE(QFile::setPermissions(tmp("old"), kOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup));
  qputenv("HALVEX_HOME", QFile::encodeName(tmp("old")));
  EXPECT_TRUE(QFileInfo(resolve_app_folder()).permissions() & QFileDevice::ReadGroup);
}

TEST_F(AppFolder, EmptyHalvexHomeFallsBackToTheDataFolder) {
  qputenv("HALVEX_HOME", "");
  qputenv("XDG_DATA_HOME", QFile::encodeName(tmp("data")));
  EXPECT_EQ(resolve_app_folder(), tmp("data/halvex/"));
  EXPECT_EQ(qEnvironmentVariable("HALVEX_HOME"), tmp("data/halvex/"));
}

TEST_F(AppFolder, FolderThatCannotBeCreatedGivesNothing) {
  QFile file(tmp("plain"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  qputenv("HALVEX_HOME", QFile::encodeName(tmp("plain/sub")));
  EXPECT_EQ(resolve_app_folder(), QString());
}

TEST_F(AppFolder, HelpPageIsWrittenWhenMissingAndKeptWhenPresent) {
  QFile source(tmp("source.htm"));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly));
  source.write("<html>help</html>");
  source.close();
  QDir().mkpath(tmp("app"));

  ASSERT_TRUE(write_help_page(tmp("app"), source.fileName()));
  QFile page(tmp("app/help.htm"));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  EXPECT_EQ(page.readAll(), "<html>help</html>");
  page.close();

  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.write("edited");
  page.close();
  EXPECT_TRUE(write_help_page(tmp("app") + "/", source.fileName()));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  EXPECT_EQ(page.readAll(), "edited");
}

// An update brings its help page along, but only over a page a version wrote and nobody
// edited: the history lists the sums of the pages shipped.
TEST_F(AppFolder, AnUneditedEarlierHelpPageIsReplacedAndAnEditedOneKept) {
  auto write = [](const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  };
  const QByteArray shipped = "<html>old help</html>";
  write(tmp("source.htm"), "<html>new help</html>");
  write(tmp("history.txt"), "# comment\n" + QCryptographicHash::hash(shipped, QCryptographicHash::Sha256).toHex() + "\n");
  QDir().mkpath(tmp("app"));
  for (const auto& [present, expected] : {std::pair<QByteArray, QByteArray>{shipped, "<html>new help</html>"},
                                          {shipped + " ", shipped + " "}}) {
    write(tmp("app/help.htm"), present);
    EXPECT_TRUE(write_help_page(tmp("app"), tmp("source.htm"), tmp("history.txt")));
    QFile page(tmp("app/help.htm"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_EQ(page.readAll(), expected);
  }
}

TEST_F(AppFolder, MissingSourceWritesNothing) {
  EXPECT_FALSE(write_help_page(tmp(""), tmp("nothing.htm")));
  EXPECT_FALSE(QFile::exists(tmp("help.htm")));
}

TEST_F(AppFolder, BuiltInHelpPageExplainsRunsWithoutAWindowAddressesAndFinalDeletions) {
  QDir().mkpath(tmp("app"));
  ASSERT_TRUE(write_help_page(tmp("app")));
  QFile page(tmp("app/help.htm"));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(page.readAll());
  for (const char* topic : {"<code>halvex --once</code>", "<code>halvex --once --dry-run</code>",
                            "pop.example.com:1110", "[2001:db8::1]:1110", "995;",
                            "Deletions on the server are final", "quarantine=0"})
    EXPECT_TRUE(text.contains(QLatin1String(topic))) << topic;
  EXPECT_FALSE(text.contains(QLatin1String("saved when the main window closes")));
}

TEST_F(AppFolder, BuiltInHelpPageExplainsTheProgram) {
  QDir().mkpath(tmp("app"));
  ASSERT_TRUE(write_help_page(tmp("app")));
  QFile page(tmp("app/help.htm"));
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(page.readAll());
  for (const char* topic : {"Gate", "Filter", "Alerts", "Import", "Export", "Server timeout",
                            "pop3s://pop.example.com", "Tarnell Halvex.ini", "HALVEX_HOME"})
    EXPECT_TRUE(text.contains(QLatin1String(topic))) << topic;
  // An update can replace this page only while its sum is in the history.
  QFile history(QStringLiteral(":/help_history.txt"));
  ASSERT_TRUE(history.open(QIODevice::ReadOnly));
  const QByteArray sum = QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex();
  EXPECT_TRUE(history.readAll().split('\n').contains(sum)) << "add " << sum.toStdString() << " to help_history.txt";
}

// The program's one record and name list work on the resolved folder.
TEST_F(AppFolder, ProgramRecordUsesTheResolvedFolder) {
  qputenv("HALVEX_HOME", QFile::encodeName(tmp("state")));
  const QString folder = resolve_app_folder();
  ASSERT_FALSE(folder.isEmpty());
  reset_account();
  account_record().description = QStringLiteral("home");
  ASSERT_TRUE(save_account("home"));
  EXPECT_TRUE(QFileInfo::exists(folder + "home.dat"));
  EXPECT_EQ(get_accounts(), QStringList{"home"});
  EXPECT_EQ(account_names(), QStringList{"home"});
  account_record().description = QStringLiteral("changed");
  ASSERT_TRUE(load_account("home"));
  EXPECT_EQ(account_record().description, "home");
  ASSERT_TRUE(remove_account("home"));
  EXPECT_TRUE(get_accounts().isEmpty());
}

}  // namespace
}  // namespace halvex
