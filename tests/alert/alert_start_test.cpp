// Start-up: which outcome, which fields, which lock, and what lands in the folder.
#include "alert_start.h"
#include "app_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "qt_print.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace halvex::alert {
namespace {

QStringList folder_entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                QDir::Name);
}

const QString corrupt_text = u"Corrupt command line!"_qs;

struct StartRow {
  const char* name;
  const char* text;
  StartOutcome outcome;
  const char* lock_file;  // the one file left in the folder; "" for none
};

class StartAlert : public testing::TestWithParam<StartRow> {};

TEST_P(StartAlert, TakesTheLockOrShowsTheCorruptText) {
  const StartRow& row = GetParam();
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  const AlertStart start = start_alert(QString::fromUtf8(row.text), folder);
  EXPECT_EQ(start.outcome, row.outcome);
  const QString expected_file = QString::fromUtf8(row.lock_file);
  if (expected_file.isEmpty()) {
    EXPECT_TRUE(folder_entries(folder).isEmpty()) << folder_entries(folder).join(u", ").toStdString();
    EXPECT_TRUE(start.lock_path.isEmpty());
    EXPECT_EQ(start.fields.sender, corrupt_text);
    EXPECT_EQ(start.fields.account, corrupt_text);
    EXPECT_EQ(start.fields.subject, corrupt_text);
  } else {
    EXPECT_EQ(folder_entries(folder), QStringList{expected_file});
    EXPECT_EQ(start.lock_path, folder + expected_file);
    EXPECT_EQ(QFileInfo(start.lock_path).size(), 13);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StartAlert,
    testing::Values(
        StartRow{"plain", "a<--->b<///>c", StartOutcome::show, "a_c.lck"},
        StartRow{"all_empty", "<---><///>", StartOutcome::show, "_.lck"},
        StartRow{"bob", "Bob (home)<--->Work<///>Re: 50% off!", StartOutcome::show,
                 "bob _home__re_ 50_ off_.lck"},
        StartRow{"subject_with_marker", "a<--->b<///>x<--->y", StartOutcome::show,
                 "a_x_____y.lck"},
        StartRow{"no_subject_marker", "a<--->b c", StartOutcome::corrupt, ""},
        StartRow{"no_markers", "just some text", StartOutcome::corrupt, ""},
        StartRow{"markers_reversed", "a<///>b<--->c", StartOutcome::corrupt, ""},
        StartRow{"empty", "", StartOutcome::corrupt, ""}),
    [](const testing::TestParamInfo<StartRow>& info) { return std::string(info.param.name); });

TEST(StartAlert, ShowsTheFieldsAsGiven) {
  QTemporaryDir dir;
  const AlertStart start = start_alert(u" Bob <---> Work <///> Hi "_qs, dir.path() + u'/');
  ASSERT_EQ(start.outcome, StartOutcome::show);
  EXPECT_EQ(start.fields.sender, u" Bob "_qs);
  EXPECT_EQ(start.fields.account, u" Work "_qs);
  EXPECT_EQ(start.fields.subject, u" Hi "_qs);
}

TEST(StartAlert, SecondStartWithSameSenderAndSubjectEndsSilently) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  const AlertStart first = start_alert(u"a<--->one<///>c"_qs, folder);
  ASSERT_EQ(first.outcome, StartOutcome::show);
  // Another account, other blanks and other capitals give the same lock file.
  const AlertStart second = start_alert(u" A <--->two<///>C "_qs, folder);
  EXPECT_EQ(second.outcome, StartOutcome::silent_end);
  EXPECT_TRUE(second.lock_path.isEmpty());
  EXPECT_EQ(folder_entries(folder), QStringList{u"a_c.lck"_qs});
  // A different subject is a different alert.
  EXPECT_EQ(start_alert(u"a<--->one<///>d"_qs, folder).outcome, StartOutcome::show);
  ASSERT_TRUE(QFile::remove(first.lock_path));
  EXPECT_EQ(start_alert(u"a<--->one<///>c"_qs, folder).outcome, StartOutcome::show);
}

struct SmallLockRow {
  const char* name;
  QByteArray bytes;
};

class SmallLockFile : public testing::TestWithParam<SmallLockRow> {};

TEST_P(SmallLockFile, DoesNotBlockAndIsOverwritten) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  QFile stale(folder + u"a_c.lck"_qs);
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.write(GetParam().bytes);
  stale.close();
  const AlertStart start = start_alert(u"a<--->b<///>c"_qs, folder);
  EXPECT_EQ(start.outcome, StartOutcome::show);
  EXPECT_EQ(QFileInfo(folder + u"a_c.lck"_qs).size(), 13);
}

INSTANTIATE_TEST_SUITE_P(Rows, SmallLockFile,
                         testing::Values(SmallLockRow{"empty", ""}, SmallLockRow{"one_byte", "x"}),
                         [](const testing::TestParamInfo<SmallLockRow>& info) {
                           return std::string(info.param.name);
                         });

TEST(StartAlert, KeepsTheCapitalsOfTheFolder) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u"/My Halvex/"_qs;
  ASSERT_TRUE(QDir().mkpath(folder));
  const AlertStart start = start_alert(u"Ann<--->Work<///>Hello"_qs, folder);
  ASSERT_EQ(start.outcome, StartOutcome::show);
  EXPECT_EQ(start.lock_path, folder + u"ann_hello.lck"_qs);
  EXPECT_TRUE(QFileInfo(start.lock_path).isFile());
}

TEST(StartAlert, CreatesAMissingFolder) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u"/new/halvex/"_qs;
  EXPECT_EQ(start_alert(u"a<--->b<///>c"_qs, folder).outcome, StartOutcome::show);
  EXPECT_EQ(folder_entries(folder), QStringList{u"a_c.lck"_qs});
}

TEST(StartAlert, UnwritableLockIsCorruptAndHoldsNothing) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  // A folder in the lock's place.
  ASSERT_TRUE(QDir().mkdir(folder + u"a_c.lck"_qs));
  const AlertStart blocked = start_alert(u"a<--->b<///>c"_qs, folder);
  EXPECT_EQ(blocked.outcome, StartOutcome::corrupt);
  EXPECT_TRUE(blocked.lock_path.isEmpty());
  EXPECT_EQ(blocked.fields.sender, corrupt_text);
  EXPECT_EQ(folder_entries(folder), QStringList{u"a_c.lck"_qs});
}

TEST(StartAlert, SubjectTooLongForAFileNameStillShowsTheAlertUnderAFittedLock) {
  QTemporaryDir dir;
  const QString folder = dir.path() + u'/';
  const AlertStart first = start_alert(u"a<--->b<///>"_qs + QString(300, u'x'), folder);
  EXPECT_EQ(first.outcome, StartOutcome::show);
  EXPECT_EQ(first.fields.subject, QString(300, u'x'));
  ASSERT_EQ(folder_entries(folder).size(), 1);
  EXPECT_EQ(start_alert(u"a<--->b<///>"_qs + QString(300, u'x'), folder).outcome, StartOutcome::silent_end);
}

TEST(StartAlert, FolderThatIsAFileIsCorrupt) {
  QTemporaryDir dir;
  QFile file(dir.filePath(u"halvex"_qs));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_EQ(start_alert(u"a<--->b<///>c"_qs, file.fileName() + u'/').outcome,
            StartOutcome::corrupt);
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    if (value.isNull()) qunsetenv(name); else qputenv(name, value);
  }
  ~ScopedEnv() {
    if (had_) qputenv(name_, old_); else qunsetenv(name_);
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

TEST(ApplicationFolder, HalvexHomeWinsAndGetsItsSlash) {
  const ScopedEnv home("HALVEX_HOME", "/srv/Mail Filter");
  EXPECT_EQ(application_folder(), u"/srv/Mail Filter/"_qs);
  const ScopedEnv slashed("HALVEX_HOME", "/srv/x/");
  EXPECT_EQ(application_folder(), u"/srv/x/"_qs);
}

TEST(ApplicationFolder, EmptyHalvexHomeFallsBackToTheDataFolder) {
  const ScopedEnv home("HALVEX_HOME", "");
  const ScopedEnv data("XDG_DATA_HOME", "/srv/Data");
  EXPECT_EQ(application_folder(), u"/srv/Data/halvex/"_qs);
  const ScopedEnv unset("HALVEX_HOME", QByteArray());
  EXPECT_EQ(application_folder(), u"/srv/Data/halvex/"_qs);
}

}  // namespace
}  // namespace halvex::alert
