// A test run against the test Dovecot: the listed verdicts, and the server still holds
// every message afterwards; a wrong password shows its cause; cancel ends it at once.
#include "testrun/test_run.h"

#include "net/dovecot_fixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace halvex {
namespace {

// Everything a run reported.
struct Reports {
  std::optional<qint32> counted;
  std::vector<TestRunRow> rows;
  std::optional<std::pair<qint32, qint32>> finished;  // deleted, total
  QString failed;
  bool cancelled = false;
  int endings = 0;

  void follow(TestRun& run) {
    QObject::connect(&run, &TestRun::counted, [this](qint32 n) { counted = n; });
    QObject::connect(&run, &TestRun::judged, [this](const TestRunRow& row) { rows.push_back(row); });
    QObject::connect(&run, &TestRun::finished, [this](qint32 d, qint32 t) {
      finished = std::pair(d, t);
      ++endings;
    });
    QObject::connect(&run, &TestRun::failed, [this](const QString& cause) {
      failed = cause;
      ++endings;
    });
    QObject::connect(&run, &TestRun::cancelled, [this] {
      cancelled = true;
      ++endings;
    });
  }
  bool wait_over(int ms = 30000) { return QTest::qWaitFor([this] { return endings > 0; }, ms); }
};

// Qt warnings seen while a test runs (a timer used from the wrong thread, for one).
QStringList& warnings() {
  static QStringList seen;
  return seen;
}
void note_warning(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type != QtDebugMsg && type != QtInfoMsg) warnings().append(text);
}

std::string mail(const std::string& from, const std::string& subject, size_t body_bytes = 10) {
  return "From: " + from + "\r\nTo: Me <me@home.example>\r\nSubject: " + subject + "\r\n\r\n" +
         std::string(body_bytes, 'x') + "\r\n";
}

class TestRunDovecot : public testnet::DovecotTest {
 protected:
  AccountRecord account() {
    AccountRecord r;
    r.description = "home";
    r.server = QString::fromStdString(dovecot().address());
    r.user_id = QString::fromStdString(dovecot().user().name);
    r.password = QString::fromStdString(dovecot().user().password);
    return r;
  }
};

TEST_F(TestRunDovecot, ListsEachVerdictAndTheServerKeepsEveryMessage) {
  QTemporaryDir tmp;
  ASSERT_TRUE(tmp.isValid());
  const std::vector<std::string> sent = {
      mail("Deals <deals@bulk.example>", "Today only"),
      mail("Amy <amy@friends.example>", "Lunch?"),
      mail("Shop <news@shop.example>", "Cheap pills"),
      mail("Bob <bob@friends.example>", "Holiday photos", 5000),
      mail("Bank <alerts@bank.example>", "Your statement"),
  };
  dovecot().maildir().add_all(sent);
  AccountRecord r = account();
  r.from_list = {"bulk.example"};
  r.subject_list = {"pills"};
  r.size_limit_on = 1;
  r.size_limit = 4000;
  // An alert whose action would create a file: a dry run must not take it.
  const QString marker = tmp.filePath("alert-ran");
  r.alerts = {AlertRule{"statement", 1, marker, ""}};

  warnings().clear();
  const QtMessageHandler previous = qInstallMessageHandler(note_warning);
  TestRun run;
  Reports reports;
  reports.follow(run);
  run.start(r, 30);
  const bool over = reports.wait_over();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !run.running(); }, 5000));
  qInstallMessageHandler(previous);
  EXPECT_TRUE(warnings().isEmpty()) << warnings().join('\n').toStdString();
  ASSERT_TRUE(over) << "no end";
  ASSERT_TRUE(reports.finished) << reports.failed.toStdString();
  EXPECT_EQ(*reports.counted, 5);
  EXPECT_EQ(reports.finished->first, 3);
  EXPECT_EQ(reports.finished->second, 5);
  ASSERT_EQ(reports.rows.size(), 5u);
  const struct {
    const char* sender;
    const char* subject;
    const char* word;
    const char* rule;
  } expected[] = {
      {"Deals <deals@bulk.example>", "Today only", "delete", "From phrase \"bulk.example\" found in the sender address"},
      {"Amy <amy@friends.example>", "Lunch?", "keep", "no rule matched"},
      {"Shop <news@shop.example>", "Cheap pills", "delete", "Subject phrase \"pills\" found in the subject"},
      {"Bob <bob@friends.example>", "Holiday photos", "delete", ""},  // size: checked below
      {"Bank <alerts@bank.example>", "Your statement", "alert", "alert phrase \"statement\", the message is kept"},
  };
  for (int i = 0; i < 5; ++i) {
    const TestRunRow& row = reports.rows[static_cast<size_t>(i)];
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(row.number, i + 1);
    EXPECT_EQ(row.sender.toStdString(), expected[i].sender);
    EXPECT_EQ(row.subject.toStdString(), expected[i].subject);
    EXPECT_EQ(verdict_word(row.verdict).toStdString(), expected[i].word);
    if (*expected[i].rule) {
      EXPECT_EQ(row.verdict.rule.toStdString(), expected[i].rule);
    }
    EXPECT_GE(row.size, static_cast<qint32>(sent[static_cast<size_t>(i)].size()) - 2);
  }
  EXPECT_TRUE(reports.rows[3].verdict.rule.startsWith("size rule, ")) << reports.rows[3].verdict.rule.toStdString();
  EXPECT_TRUE(reports.rows[3].verdict.rule.endsWith("limit of 4000"));

  // Nothing deleted, nothing started.
  EXPECT_EQ(dovecot().maildir().count(), 5u);
  EXPECT_EQ(dovecot().maildir().messages(), sent);
  EXPECT_FALSE(QFileInfo::exists(marker));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !run.running(); }, 5000));
}

TEST_F(TestRunDovecot, AWrongPasswordShowsTheLoginFailure) {
  dovecot().maildir().add(mail("a@b.example", "x"));
  AccountRecord r = account();
  r.password = "not-the-password";
  TestRun run;
  Reports reports;
  reports.follow(run);
  run.start(r, 30);
  ASSERT_TRUE(reports.wait_over());
  EXPECT_TRUE(reports.failed.startsWith("Login failed: ")) << reports.failed.toStdString();
  EXPECT_TRUE(reports.failed.contains("-ERR")) << reports.failed.toStdString();  // the server's own words
  EXPECT_FALSE(reports.counted);
  EXPECT_TRUE(reports.rows.empty());
  EXPECT_EQ(reports.endings, 1);
  EXPECT_EQ(dovecot().maildir().count(), 1u);
}

TEST_F(TestRunDovecot, AClosedPortShowsTheRefusal) {
  AccountRecord r = account();
  r.server = "127.0.0.1:1";
  TestRun run;
  Reports reports;
  reports.follow(run);
  run.start(r, 10);
  ASSERT_TRUE(reports.wait_over());
  EXPECT_TRUE(reports.failed.startsWith("Login failed: ")) << reports.failed.toStdString();
  EXPECT_TRUE(reports.failed.contains("refused")) << reports.failed.toStdString();
}

TEST_F(TestRunDovecot, CancelEndsTheRunAtOnceAndDeletesNothing) {
  std::vector<std::string> many;
  for (int i = 0; i < 400; ++i) many.push_back(mail("spam@bulk.example", "offer " + std::to_string(i)));
  dovecot().maildir().add_all(many);
  AccountRecord r = account();
  r.from_list = {"bulk"};
  TestRun run;
  Reports reports;
  reports.follow(run);
  QObject::connect(&run, &TestRun::judged, &run, [&run](const TestRunRow& row) {
    if (row.number == 1) run.cancel();
  });
  run.start(r, 30);
  QElapsedTimer clock;
  clock.start();
  ASSERT_TRUE(reports.wait_over());
  EXPECT_TRUE(reports.cancelled);
  EXPECT_FALSE(reports.finished);
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_LT(reports.rows.size(), 400u);
  QTest::qWait(100);  // nothing more arrives after the end
  EXPECT_EQ(reports.endings, 1);
  EXPECT_EQ(dovecot().maildir().count(), 400u);
}

TEST_F(TestRunDovecot, ANewStartReplacesTheRunAndDestroyingOneMidwayReturns) {
  for (int i = 0; i < 200; ++i) dovecot().maildir().add(mail("x@y.example", "m"));
  auto run = std::make_unique<TestRun>();
  Reports reports;
  reports.follow(*run);
  run->start(account(), 30);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.rows.empty(); }, 30000));
  run->start(account(), 30);  // the first run's late reports are dropped
  const size_t first = reports.rows.size();
  ASSERT_TRUE(reports.wait_over(60000));
  ASSERT_TRUE(reports.finished) << reports.failed.toStdString();
  EXPECT_EQ(reports.finished->second, 200);
  EXPECT_EQ(reports.endings, 1);
  ASSERT_EQ(reports.rows.size() - first, 200u);
  for (size_t i = 0; i < 200; ++i) ASSERT_EQ(reports.rows[first + i].number, static_cast<qint32>(i + 1));

  run->start(account(), 30);
  const size_t second = reports.rows.size();
  ASSERT_TRUE(QTest::qWaitFor([&] { return reports.rows.size() > second; }, 30000));
  QElapsedTimer clock;
  clock.start();
  run.reset();  // cancels and joins
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_EQ(dovecot().maildir().count(), 200u);
}

}  // namespace
}  // namespace halvex
