// The dry verdict: the same rules in the same order as the cycle, with the rule that
// decided in words, and the run's summary.
#include "testrun/dry_verdict.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

const HeaderFields kMail{"deals@bulk.example", "Daily Deals", "Me", "me@home.example", "You won a prize"};

AccountRecord account(qint32 gate, QStringList from, QStringList subject = {}, QStringList to = {}) {
  AccountRecord r;
  r.gate_mode = gate;
  r.from_list = std::move(from);
  r.subject_list = std::move(subject);
  r.to_list = std::move(to);
  return r;
}

AccountRecord sized(AccountRecord r, qint32 limit) {
  r.size_limit_on = 1;
  r.size_limit = limit;
  return r;
}

AccountRecord alerted(AccountRecord r, QString phrase, QString delete_after = {}) {
  r.alerts.append(AlertRule{std::move(phrase), 0, {}, std::move(delete_after)});
  return r;
}

struct Row {
  const char* name;
  AccountRecord record;
  qint32 size;
  const char* word;
  bool deletes;
  const char* rule;
};

class DryVerdictTest : public testing::TestWithParam<Row> {};

TEST_P(DryVerdictTest, NamesTheDecidingRule) {
  const Row& row = GetParam();
  const DryVerdict v = dry_verdict(row.record, kMail, row.size);
  EXPECT_EQ(verdict_word(v).toStdString(), row.word);
  EXPECT_EQ(v.deletes, row.deletes);
  EXPECT_EQ(v.rule.toStdString(), row.rule);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DryVerdictTest,
    testing::Values(
        Row{"nothing_matches", account(0, {"casino"}), 10, "keep", false, "no rule matched"},
        Row{"size_first", sized(account(0, {"bulk"}), 100), 100, "delete", true, "size rule, 100 bytes at or above the limit of 100"},
        Row{"below_size_limit", sized(account(0, {}), 101), 100, "keep", false, "no rule matched"},
        Row{"from_phrase_first_match", account(0, {"zzz", "daily", "bulk"}), 10, "delete", true, "From phrase \"daily\" found in the sender name"},
        Row{"gate_sender_not_listed", account(1, {"@friends.example"}), 10, "delete", true, "gate mode, the sender is not on the From list"},
        Row{"gate_sender_listed", account(1, {"@bulk.example"}, {"prize"}), 10, "keep", false, "no rule matched"},
        Row{"to_phrase", account(0, {}, {}, {"me@home"}), 10, "delete", true, "To phrase \"me@home\" found in the recipient address"},
        Row{"subject_phrase", account(0, {}, {"PRIZE"}), 10, "delete", true, "Subject phrase \"PRIZE\" found in the subject"},
        Row{"blank_phrases_ignored", account(0, {" "}, {""}, {"  "}), 10, "keep", false, "no rule matched"},
        Row{"alert_keeps", alerted(account(0, {}), "won"), 10, "alert", false, "alert phrase \"won\", the message is kept"},
        Row{"alert_deletes", alerted(account(0, {}), "won", "YES"), 10, "alert, delete", true,
            "alert phrase \"won\" asks for deletion"},
        Row{"marked_message_raises_no_alert", alerted(account(0, {"bulk"}), "won"), 10, "delete", true,
            "From phrase \"bulk\" found in the sender address"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunSummary, SaysSoWhenEveryMessageWouldGo) {
  EXPECT_EQ(run_summary(3, 10), "3 of 10 messages would be deleted.");
  EXPECT_EQ(run_summary(0, 0), "0 of 0 messages would be deleted.");
  const QString all = run_summary(4, 4);
  EXPECT_TRUE(all.startsWith("4 of 4 messages would be deleted."));
  EXPECT_TRUE(all.contains("every message")) << all.toStdString();
}

}  // namespace
}  // namespace halvex
