// The alert trigger: which alert fires, its command line, its actions and their failures.
#include "engine/alert_trigger.h"

#include "argument_text.h"
#include "engine/engine_texts.h"
#include "engine/status_log.h"

#include "recording_host.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "qt_print.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

AlertRule alert(QString phrase, qint32 action = 0, QString target = {}, QString delete_after = {}) {
  return AlertRule{std::move(phrase), action, std::move(target), std::move(delete_after)};
}

const HeaderFields kFields{QStringLiteral("sender@shop.example"), QStringLiteral("Shop News"),
                           QStringLiteral("Me Myself"), QStringLiteral("me@home.example"),
                           QStringLiteral("Your order shipped")};

struct FindCase {
  const char* name;
  QList<AlertRule> alerts;
  int expected;  // index of the alert that fires, -1 for none
};

class FindAlertTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindAlertTest, FirstMatchingAlertFires) {
  const FindCase& c = GetParam();
  AccountRecord record;
  record.alerts = c.alerts;
  const AlertRule* found = find_alert(record, kFields);
  if (c.expected < 0) {
    EXPECT_EQ(found, nullptr);
  } else {
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found - record.alerts.constData(), c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FindAlertTest,
    ::testing::Values(FindCase{"no_alerts", {}, -1}, FindCase{"sender_address", {alert("@SHOP.")}, 0},
                      FindCase{"sender_name", {alert("news")}, 0}, FindCase{"subject", {alert("shipped")}, 0},
                      FindCase{"recipient_name", {alert("myself")}, 0},
                      FindCase{"recipient_address", {alert("home.example")}, 0},
                      FindCase{"nowhere", {alert("invoice")}, -1},
                      FindCase{"first_of_two_matching", {alert("order"), alert("shop")}, 0},
                      FindCase{"later_one_matches", {alert("invoice"), alert("shop")}, 1},
                      FindCase{"empty_phrase_never_fires", {alert("")}, -1},
                      FindCase{"blank_phrase_skipped_for_later", {alert("  "), alert("shop")}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct DeleteCase {
  const char* name;
  QString delete_after;
  bool expected;
};

class AlertDeleteTest : public ::testing::TestWithParam<DeleteCase> {};

TEST_P(AlertDeleteTest, YesInAnyCase) {
  EXPECT_EQ(alert_wants_delete(alert("x", 0, {}, GetParam().delete_after)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, AlertDeleteTest,
                         ::testing::Values(DeleteCase{"lower", "yes", true}, DeleteCase{"upper", "YES", true},
                                           DeleteCase{"mixed", "yEs", true}, DeleteCase{"empty", "", false},
                                           DeleteCase{"no", "no", false}, DeleteCase{"padded", " yes", false},
                                           DeleteCase{"longer", "yess", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AlertCommandTest, ArgumentIsSenderDescriptionSubjectBetweenMarkers) {
  EXPECT_EQ(alert_argument(QStringLiteral("a@b.c"), QStringLiteral("home"), QStringLiteral("Hi there")),
            QStringLiteral("a@b.c<--->home<///>Hi there"));
  EXPECT_EQ(alert_program(QStringLiteral("/opt/halvex")), QStringLiteral("/opt/halvex/halvex-alert"));
  EXPECT_EQ(alert_program(QStringLiteral("/opt/halvex/")), QStringLiteral("/opt/halvex/halvex-alert"));
}

// What the alert program reads back from the argument: the fields as the mail had them, only a
// marker's "<" in the sender or the account shown as "‹", and never a field shifted.
struct MarkerRow {
  const char* name;
  const char* from;
  const char* description;
  const char* subject;
  const char* shown_from;
  const char* shown_description;
};

class AlertArgumentMarkers : public ::testing::TestWithParam<MarkerRow> {};

TEST_P(AlertArgumentMarkers, CannotShiftTheFieldsTheAlertWindowShows) {
  const MarkerRow& row = GetParam();
  const QString subject = QString::fromUtf8(row.subject);
  const auto fields = halvex::alert::split_argument_text(
      alert_argument(QString::fromUtf8(row.from), QString::fromUtf8(row.description), subject));
  ASSERT_TRUE(fields.has_value());
  EXPECT_EQ(fields->sender, QString::fromUtf8(row.shown_from));
  EXPECT_EQ(fields->account, QString::fromUtf8(row.shown_description));
  EXPECT_EQ(fields->subject, subject);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AlertArgumentMarkers,
    ::testing::Values(
        MarkerRow{"plain", "a@b.c", "home", "Hi", "a@b.c", "home"},
        MarkerRow{"sender_holds_first", "x<--->y@b.c", "home", "Hi", "x\u2039--->y@b.c", "home"},
        MarkerRow{"sender_holds_second", "x<///>y@b.c", "home", "Hi", "x\u2039///>y@b.c", "home"},
        MarkerRow{"account_holds_both", "a@b.c", "w<--->o<///>rk", "Hi", "a@b.c",
                  "w\u2039--->o\u2039///>rk"},
        MarkerRow{"subject_holds_both", "a@b.c", "home", "Re: <///>x<--->y", "a@b.c", "home"},
        MarkerRow{"everywhere_twice", "<---><---><///>", "<///><--->", "<---><///>",
                  "\u2039--->\u2039--->\u2039///>", "\u2039///>\u2039--->"},
        MarkerRow{"near_misses_stay", "<-->x<//>", "<---", "s", "<-->x<//>", "<---"}),
    [](const auto& info) { return std::string(info.param.name); });

// A program folder of the test's own, with or without an alert program in it.
class CheckAlertTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    record.description = QStringLiteral("home");
  }
  QString program_folder() const { return folder.path() + QLatin1Char('/'); }
  // An alert program that writes its argument count and each argument to a file.
  void install_recording_program() {
    QFile script(folder.filePath(QStringLiteral("halvex-alert")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nout=\"$(dirname \"$0\")/args.txt\"\n"
                 "printf '%s\\n' \"$#\" > \"$out.tmp\"\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$out.tmp\"; done\n"
                 "mv \"$out.tmp\" \"$out\"\n");
    script.close();
    ASSERT_TRUE(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  }
  QString wait_for_args() const {
    QFile out(folder.filePath(QStringLiteral("args.txt")));
    QDeadlineTimer deadline(10000);
    while (!out.exists() && !deadline.hasExpired()) QThread::msleep(20);
    if (!out.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(out.readAll());
  }
  bool run(const HeaderFields& fields, bool dry_run = false) {
    AlertContext context{host, log, program_folder(), dry_run};
    return check_alert(record, fields, context);
  }

  QTemporaryDir folder;
  test::RecordingHost host;
  StatusLog log{host};
  AccountRecord record;
};

TEST_F(CheckAlertTest, StartsTheAlertProgramWithOneArgumentAndNoShell) {
  install_recording_program();
  const QString pwned = folder.filePath(QStringLiteral("PWNED"));
  HeaderFields fields = kFields;
  fields.subject = QStringLiteral("Hi $(touch %1); `touch %1` | \"quoted\" 'single' <--->").arg(pwned);
  record.alerts = {alert("shop", 0, {}, "yes")};

  EXPECT_TRUE(run(fields));
  ASSERT_EQ(host.texts, QStringList{texts::alert_line(fields.from_address, "home", fields.subject)});
  const QString args = wait_for_args();
  EXPECT_EQ(args, QStringLiteral("1\n") + alert_argument(fields.from_address, "home", fields.subject) + "\n");
  EXPECT_FALSE(QFile::exists(pwned));
}

TEST_F(CheckAlertTest, MissingAlertProgramIsLoggedAndTheVerdictStands) {
  record.alerts = {alert("shop", 0, {}, "YES")};
  EXPECT_TRUE(run(kFields));
  EXPECT_EQ(host.texts, (QStringList{texts::alert_line(kFields.from_address, "home", kFields.subject),
                                     texts::kAlertError}));
}

TEST_F(CheckAlertTest, NonExecutableAlertProgramIsLogged) {
  QFile plain(folder.filePath(QStringLiteral("halvex-alert")));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.write("not a program\n");
  plain.close();
  record.alerts = {alert("shop")};
  EXPECT_FALSE(run(kFields));
  EXPECT_EQ(host.texts.value(1), texts::kAlertError);
  EXPECT_TRUE(host.started.isEmpty());
}

TEST_F(CheckAlertTest, RefusedTargetIsLoggedAndTheMessageStillDeleted) {
  host.open_result = 0;
  record.alerts = {alert("shipped", 1, "/nowhere/file.txt", "yes")};
  EXPECT_TRUE(run(kFields));
  EXPECT_EQ(host.opened, QStringList{"/nowhere/file.txt"});
  EXPECT_EQ(host.texts.value(1), texts::kAlertTargetError);
}

TEST_F(CheckAlertTest, OpenedTargetLogsOnlyTheAlert) {
  record.alerts = {alert("shipped", 1, "https://example.org/")};
  EXPECT_FALSE(run(kFields));
  EXPECT_EQ(host.opened, QStringList{"https://example.org/"});
  EXPECT_EQ(host.texts.size(), 1);
}

TEST_F(CheckAlertTest, UnknownActionStartsNothing) {
  install_recording_program();
  record.alerts = {alert("shipped", 7)};
  EXPECT_FALSE(run(kFields));
  EXPECT_TRUE(host.started.isEmpty());
  EXPECT_TRUE(host.opened.isEmpty());
  EXPECT_EQ(host.texts.size(), 1);
}

TEST_F(CheckAlertTest, DryRunLogsTheAlertButTakesNoAction) {
  install_recording_program();
  record.alerts = {alert("shop", 0, {}, "yes"), alert("shipped", 1, "https://example.org/")};
  EXPECT_TRUE(run(kFields, true));
  EXPECT_TRUE(host.started.isEmpty());
  EXPECT_TRUE(host.opened.isEmpty());
  EXPECT_EQ(host.texts.size(), 1);
}

TEST_F(CheckAlertTest, RepeatedMessageRaisesTheAlertAgain) {
  record.alerts = {alert("shipped", 1, "https://example.org/")};
  run(kFields);
  run(kFields);
  EXPECT_EQ(host.opened.size(), 2);
  EXPECT_EQ(host.texts.size(), 2);
}

}  // namespace
}  // namespace halvex
