// halvex-alert run as a process, headless: lock files, the silent second start, the corrupt
// text, the folders and the settings it reads. The program ends through its close test hook.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "qt_print.h"

#include <gtest/gtest.h>

#include <vector>

#include <csignal>
#include <sys/stat.h>
#include <sys/types.h>

namespace {

constexpr int generous_ms = 30000;

struct Finished {
  int exit_code = -1;
  QString output;
};

class AlertProcessTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(root_.isValid()); }

  // The application folder has capitals and a blank, which must survive in the lock path.
  QString home() const { return root_.path() + u"/Halvex Home/"_qs; }
  QString config() const { return root_.path() + u"/config"_qs; }
  QString data() const { return root_.path() + u"/data"_qs; }

  // Starts the program; autoclose_ms < 0 leaves the hook unset.
  std::unique_ptr<QProcess> start(const QStringList& arguments, int autoclose_ms,
                                  bool with_home = true) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    env.insert(u"XDG_CONFIG_HOME"_qs, config());
    env.insert(u"XDG_DATA_HOME"_qs, data());
    env.remove(u"HALVEX_HOME"_qs);
    if (with_home) env.insert(u"HALVEX_HOME"_qs, home());
    env.remove(u"HALVEX_ALERT_AUTOCLOSE_MS"_qs);
    if (autoclose_ms >= 0) env.insert(u"HALVEX_ALERT_AUTOCLOSE_MS"_qs, QString::number(autoclose_ms));
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(root_.path());
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->start(QStringLiteral(HALVEX_ALERT_PROGRAM), arguments);
    EXPECT_TRUE(process->waitForStarted(generous_ms));
    return process;
  }

  static Finished finish(QProcess& process, int within_ms = generous_ms) {
    if (!process.waitForFinished(within_ms)) {
      process.kill();
      process.waitForFinished();
      ADD_FAILURE() << "halvex-alert did not end within " << within_ms << " ms";
      return {};
    }
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    const QByteArray errors = process.readAllStandardError();
    if (!errors.isEmpty()) std::fprintf(stderr, "halvex-alert: %s\n", errors.constData());
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
  }

  Finished run(const QStringList& arguments, int autoclose_ms = 0) {
    auto process = start(arguments, autoclose_ms);
    return finish(*process);
  }

  static QStringList lock_files(const QString& folder) {
    return QDir(folder).entryList({u"*.lck"_qs}, QDir::Files, QDir::Name);
  }

  static bool wait_for_file(const QString& path) {
    return QTest::qWaitFor([&] { return QFileInfo(path).size() > 0; }, generous_ms);
  }

  void write_settings(const QByteArray& ini) {
    ASSERT_TRUE(QDir().mkpath(config()));
    QFile file(config() + u"/Tarnell Halvex.ini"_qs);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ini);
  }

  static QString shown(const char* sender, const char* account, const char* subject,
                       const char* launch = "hidden") {
    return u"sender: "_qs + QString::fromUtf8(sender) + u"\naccount: "_qs +
           QString::fromUtf8(account) + u"\nsubject: "_qs + QString::fromUtf8(subject) +
           u"\nlaunch: "_qs + QString::fromUtf8(launch) + u'\n';
  }

  QTemporaryDir root_;
};

// Whether process pid holds a flock on the file at path, as the kernel lists it in /proc/locks
// ("1: FLOCK ADVISORY WRITE <pid> <major>:<minor>:<inode> 0 EOF"). Looking never takes a lock.
bool holds_flock(qint64 pid, const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return false;
  QFile locks(u"/proc/locks"_qs);
  if (!locks.open(QIODevice::ReadOnly)) return false;
  const QString inode = u':'+ QString::number(info.st_ino);
  for (const QString& line : QString::fromLatin1(locks.readAll()).split(u'\n')) {
    const QStringList f = line.simplified().split(u' ');
    if (f.size() >= 6 && f[1] == u"FLOCK" && f[4] == QString::number(pid) && f[5].endsWith(inode))
      return true;
  }
  return false;
}

struct ExampleRow {
  const char* name;
  const char* argument;
  const char* lock_file;
  const char* sender;
  const char* account;
  const char* subject;
};

class ExampleLockFiles : public AlertProcessTest,
                         public testing::WithParamInterface<ExampleRow> {};

TEST_P(ExampleLockFiles, HoldTheLockWhileShownAndGiveItUpOnClose) {
  const ExampleRow& row = GetParam();
  auto process = start({QString::fromUtf8(row.argument)}, 1500);
  const QString lock = home() + QString::fromUtf8(row.lock_file);
  ASSERT_TRUE(wait_for_file(lock));
  EXPECT_EQ(lock_files(home()), QStringList{QString::fromUtf8(row.lock_file)});
  QFile file(lock);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("\"lock file\"\r\n"));
  const Finished end = finish(*process);
  EXPECT_EQ(end.exit_code, 0);
  EXPECT_EQ(end.output, shown(row.sender, row.account, row.subject));
  EXPECT_TRUE(lock_files(home()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ExampleLockFiles,
    testing::Values(
        ExampleRow{"plain", "a<--->b<///>c", "a_c.lck", "a", "b", "c"},
        ExampleRow{"all_empty", "<---><///>", "_.lck", "", "", ""},
        ExampleRow{"bob", "Bob (home)<--->Work<///>Re: 50% off!", "bob _home__re_ 50_ off_.lck",
                   "Bob (home)", "Work", "Re: 50% off!"},
        ExampleRow{"subject_with_marker", "a<--->b<///>x<--->y", "a_x_____y.lck", "a", "b",
                   "x<--->y"},
        ExampleRow{"non_ascii", "J\xC3\xBCrgen<--->Konto<///>\xC3\x84rger", "j\xC3\xBCrgen_\xC3\xA4rger.lck",
                   "J\xC3\xBCrgen", "Konto", "\xC3\x84rger"}),
    [](const testing::TestParamInfo<ExampleRow>& info) { return std::string(info.param.name); });

TEST_F(AlertProcessTest, SecondStartWithSameSenderAndSubjectEndsAtOnce) {
  auto first = start({u"Ann<--->Work<///>Hello"_qs}, 5000);
  const QString lock = home() + u"ann_hello.lck"_qs;
  ASSERT_TRUE(wait_for_file(lock));

  // The hook would close a shown window only after a minute: ending sooner means no window.
  auto second = start({u" ANN <--->Home<///>hello"_qs}, 60000);
  const Finished silent = finish(*second, 20000);
  EXPECT_EQ(silent.exit_code, 0);
  EXPECT_EQ(silent.output, QString());
  EXPECT_EQ(first->state(), QProcess::Running);
  EXPECT_EQ(lock_files(home()), QStringList{u"ann_hello.lck"_qs});

  const Finished closed = finish(*first);
  EXPECT_EQ(closed.output, shown("Ann", "Work", "Hello"));
  EXPECT_TRUE(lock_files(home()).isEmpty());

  // After "&Close" on the first, a third start shows its window again.
  const Finished third = run({u"Ann<--->Work<///>Hello"_qs});
  EXPECT_EQ(third.output, shown("Ann", "Work", "Hello"));
}

TEST_F(AlertProcessTest, LockLeftBehindWithoutAHolderDoesNotBlock) {
  ASSERT_TRUE(QDir().mkpath(home()));
  QFile stale(home() + u"a_c.lck"_qs);
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write("\"lock file\"\r\n");
  stale.close();
  const Finished end = run({u"a<--->b<///>c"_qs});
  EXPECT_EQ(end.exit_code, 0);
  EXPECT_EQ(end.output, shown("a", "b", "c"));
  EXPECT_TRUE(lock_files(home()).isEmpty());
}

TEST_F(AlertProcessTest, LockOfAKilledWindowDoesNotSilenceTheAlert) {
  // A window that is never closed, killed as a crash or a logout would end it.
  auto holder = start({u"Ann<--->Work<///>Hello"_qs}, -1);
  const QString lock = home() + u"ann_hello.lck"_qs;
  ASSERT_TRUE(wait_for_file(lock));
  const Finished while_alive = run({u"Ann<--->Work<///>Hello"_qs}, 60000);
  EXPECT_EQ(while_alive.output, QString());
  EXPECT_TRUE(holds_flock(holder->processId(), lock));
  ::kill(static_cast<pid_t>(holder->processId()), SIGKILL);
  ASSERT_TRUE(holder->waitForFinished(generous_ms));
  EXPECT_EQ(holder->exitStatus(), QProcess::CrashExit);
  EXPECT_EQ(QFileInfo(lock).size(), 13);  // left behind, but nobody holds it

  auto next = start({u"Ann<--->Work<///>Hello"_qs}, 3000);
  ASSERT_TRUE(QTest::qWaitFor([&] { return holds_flock(next->processId(), lock); }, generous_ms));
  // While the new window shows, it holds the lock again.
  const Finished blocked = run({u"Ann<--->Work<///>Hello"_qs}, 60000);
  EXPECT_EQ(blocked.output, QString());
  const Finished shown_again = finish(*next);
  EXPECT_EQ(shown_again.output, shown("Ann", "Work", "Hello"));
  EXPECT_TRUE(lock_files(home()).isEmpty());
}

struct CorruptRow {
  const char* name;
  std::vector<const char*> arguments;
};

class CorruptArgumentText : public AlertProcessTest,
                            public testing::WithParamInterface<CorruptRow> {};

TEST_P(CorruptArgumentText, ShowsCorruptCommandLineAndCreatesNoLock) {
  QStringList arguments;
  for (const char* argument : GetParam().arguments) arguments << QString::fromUtf8(argument);
  const Finished end = run(arguments);
  EXPECT_EQ(end.exit_code, 0);
  EXPECT_EQ(end.output,
            shown("Corrupt command line!", "Corrupt command line!", "Corrupt command line!"));
  EXPECT_TRUE(lock_files(home()).isEmpty());
  EXPECT_TRUE(lock_files(data() + u"/halvex"_qs).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CorruptArgumentText,
    testing::Values(CorruptRow{"no_subject_marker", {"a<--->b c"}},
                    CorruptRow{"no_sender_marker", {"a b<///>c"}},
                    CorruptRow{"markers_reversed", {"a<///>b<--->c"}},
                    CorruptRow{"plain_words", {"hello", "world"}},
                    CorruptRow{"no_argument", {}}),
    [](const testing::TestParamInfo<CorruptRow>& info) { return std::string(info.param.name); });

TEST_F(AlertProcessTest, ArgumentsSplitAtBlanksAreJoinedAgain) {
  auto process = start({u"Ann"_qs, u"<--->Work<///>Re:"_qs, u"hi"_qs}, 1500);
  EXPECT_TRUE(wait_for_file(home() + u"ann_re_ hi.lck"_qs));
  EXPECT_EQ(finish(*process).output, shown("Ann ", "Work", "Re: hi"));
}

TEST_F(AlertProcessTest, ArgumentsThatLookLikeQtOptionsStayText) {
  // Handed to Qt, "-platform nowhere<...>" would ask for a platform plugin that does not exist.
  const Finished end = run({u"-platform"_qs, u"nowhere<--->-style<///>-reverse"_qs});
  EXPECT_EQ(end.exit_code, 0);
  EXPECT_EQ(end.output, shown("-platform nowhere", "-style", "-reverse"));
}

TEST_F(AlertProcessTest, WithoutHalvexHomeTheDataFolderHoldsTheLock) {
  auto process = start({u"a<--->b<///>c"_qs}, 1500, false);
  EXPECT_TRUE(wait_for_file(data() + u"/halvex/a_c.lck"_qs));
  EXPECT_EQ(finish(*process).exit_code, 0);
  EXPECT_FALSE(QFileInfo::exists(home()));
}

struct SettingsRow {
  const char* name;
  QByteArray ini;  // null: no settings file at all
  const char* launch;
};

class EmailClientSetting : public AlertProcessTest,
                           public testing::WithParamInterface<SettingsRow> {};

TEST_P(EmailClientSetting, DecidesWhetherLaunchIsOffered) {
  if (!GetParam().ini.isNull()) write_settings(GetParam().ini);
  const Finished end = run({u"a<--->b<///>c"_qs});
  EXPECT_EQ(end.output, shown("a", "b", "c", GetParam().launch));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EmailClientSetting,
    testing::Values(
        SettingsRow{"no_store", QByteArray(), "hidden"},
        SettingsRow{"configured", "[Options]\nserver_timeout=120\nemail_client=/usr/bin/mailer\n",
                    "shown"},
        SettingsRow{"empty_value", "[Options]\nemail_client=\n", "hidden"},
        SettingsRow{"other_group_only", "[Other]\nemail_client=/usr/bin/mailer\n", "hidden"},
        SettingsRow{"path_with_blanks", "[Options]\nemail_client=/opt/My Mail/mailer\n", "shown"}),
    [](const testing::TestParamInfo<SettingsRow>& info) { return std::string(info.param.name); });

}  // namespace
