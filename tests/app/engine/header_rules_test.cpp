// The header rules and the order of the verdict, as tables of named cases.
#include "engine/header_rules.h"
#include "engine/message_verdict.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

AccountRecord account(qint32 gate_mode, QStringList from, QStringList subject = {}, QStringList to = {}) {
  AccountRecord r;
  r.description = QStringLiteral("acct");
  r.gate_mode = gate_mode;
  r.from_list = std::move(from);
  r.subject_list = std::move(subject);
  r.to_list = std::move(to);
  return r;
}

struct ContainsCase {
  const char* name;
  QString text;
  QString phrase;
  bool expected;
};

class ContainsTest : public ::testing::TestWithParam<ContainsCase> {};

TEST_P(ContainsTest, Matches) {
  const ContainsCase& c = GetParam();
  EXPECT_EQ(contains_phrase(c.text, c.phrase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Phrases, ContainsTest,
    ::testing::Values(
        ContainsCase{"case_ignored", "JOANNE@EXAMPLE.COM", "joanne", true},
        ContainsCase{"inside_a_word", "joanne@example.com", "ann", true},
        ContainsCase{"not_there", "bob@example.com", "ann", false},
        ContainsCase{"no_trimming", "bob@example.com", " bob", false},
        ContainsCase{"empty_phrase_never_matches", "anything", "", false},
        ContainsCase{"blank_phrase_never_matches", "two words", " ", false},
        ContainsCase{"tab_phrase_never_matches", "a\tb", "\t", false},
        ContainsCase{"inner_blank_phrase_matches", "buy now", "y n", true},
        ContainsCase{"empty_text_no_phrase", "", "a", false},
        ContainsCase{"empty_text_empty_phrase", "", "", false},
        ContainsCase{"non_ascii_case", QString::fromUtf8("ÉCOLE"), QString::fromUtf8("école"), true},
        ContainsCase{"no_wildcards", "buy now", "b*y", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct RuleCase {
  const char* name;
  AccountRecord record;
  HeaderFields fields;
  bool from, to, subject;  // what check_from, check_to and check_subject answer
};

HeaderFields fields(QString from_address, QString from_name, QString to_name = {}, QString to_address = {},
                    QString subject = {}) {
  return HeaderFields{std::move(from_address), std::move(from_name), std::move(to_name),
                      std::move(to_address), std::move(subject)};
}

class RulesTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RulesTest, Answers) {
  const RuleCase& c = GetParam();
  EXPECT_EQ(check_from(c.record, c.fields.from_address, c.fields.from_name), c.from) << "check_from";
  EXPECT_EQ(check_to(c.record, c.fields.to_name, c.fields.to_address), c.to) << "check_to";
  EXPECT_EQ(check_subject(c.record, c.fields.subject), c.subject) << "check_subject";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RulesTest,
    ::testing::Values(
        RuleCase{"filter_from_address_upper", account(0, {"spam.example"}), fields("X@SPAM.EXAMPLE", "X"), true, false, false},
        RuleCase{"filter_from_display_name_only", account(0, {"casino"}), fields("a@b.c", "Lucky Casino"), true, false, false},
        RuleCase{"filter_from_inside_word", account(0, {"ann"}), fields("joanne@x.org", ""), true, false, false},
        RuleCase{"filter_from_no_match", account(0, {"ann"}), fields("bob@x.org", "Bob"), false, false, false},
        RuleCase{"filter_empty_from_list", account(0, {}), fields("a@b.c", "A"), false, false, false},
        RuleCase{"gate_domain_admitted", account(1, {"@colleague.org"}), fields("amy@colleague.org", "Amy"), false, false, false},
        RuleCase{"gate_other_domain_deleted", account(1, {"@colleague.org"}), fields("amy@else.org", "Amy"), true, false, false},
        RuleCase{"gate_empty_from_list_keeps", account(1, {}), fields("amy@else.org", "Amy"), false, false, false},
        RuleCase{"gate_no_from_field_deleted", account(1, {"@colleague.org"}), fields("", ""), true, false, false},
        RuleCase{"gate_ignores_subject_and_to", account(1, {"a"}, {"win"}, {"me"}), fields("a@b", "", "me", "me@x", "win"), false, false, false},
        RuleCase{"other_mode_value_keeps", account(2, {"a"}, {"win"}, {"me"}), fields("a@b", "", "me", "me@x", "win"), false, true, true},
        RuleCase{"filter_to_name", account(0, {}, {}, {"undisclosed"}), fields("a@b", "", "Undisclosed recipients", ""), false, true, false},
        RuleCase{"filter_to_address", account(0, {}, {}, {"list@"}), fields("a@b", "", "", "LIST@host"), false, true, false},
        RuleCase{"filter_to_empty_fields", account(0, {}, {}, {"x"}), fields("a@b", ""), false, false, false},
        RuleCase{"filter_subject", account(0, {}, {"viagra"}), fields("a@b", "", "", "", "Cheap VIAGRA now"), false, false, true},
        RuleCase{"filter_subject_empty_subject", account(0, {}, {""}), fields("a@b", ""), false, false, false},
        RuleCase{"empty_entry_marks_nothing", account(0, {""}, {""}, {""}), fields("a@b", "", "n", "", "s"), false, false, false},
        RuleCase{"later_entry_matches", account(0, {"zzz", "yyy", "b@"}), fields("b@c", ""), true, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A blank phrase (empty, blanks, tabs) is ignored by every rule: it neither deletes nor,
// in gate mode, admits. Each row puts blanks into one list beside real phrases.
struct BlankCase {
  const char* name;
  AccountRecord record;
  bool deleted;  // the whole verdict, alerts included
};

AccountRecord with_alert(AccountRecord r, QString phrase) {
  r.alerts.append(AlertRule{std::move(phrase), 0, {}, QStringLiteral("yes")});
  return r;
}

class BlankPhraseTest : public ::testing::TestWithParam<BlankCase> {};

TEST_P(BlankPhraseTest, NeverMatches) {
  const BlankCase& c = GetParam();
  const HeaderFields f = fields("friend@home.example", "A Friend", "Me Too", "me@home.example", "Lunch at noon");
  const bool verdict = judge_message(c.record, f, 500, [&] {
    // check_alert's own match: the first alert whose phrase is in a field.
    for (const AlertRule& a : c.record.alerts)
      for (const QString* t : {&f.from_address, &f.from_name, &f.subject, &f.to_name, &f.to_address})
        if (contains_phrase(*t, a.phrase)) return true;
    return false;
  });
  EXPECT_EQ(verdict, c.deleted);
}

INSTANTIATE_TEST_SUITE_P(
    EveryRule, BlankPhraseTest,
    ::testing::Values(
        BlankCase{"filter_from_empty", account(0, {"", "@spam.example"}), false},
        BlankCase{"filter_from_blanks", account(0, {"   ", "\t"}), false},
        BlankCase{"filter_subject_blank", account(0, {}, {" ", "casino"}), false},
        BlankCase{"filter_to_blank", account(0, {}, {}, {"", "  "}), false},
        BlankCase{"gate_only_blanks_keeps", account(1, {"", " "}), false},
        BlankCase{"gate_blank_does_not_admit", account(1, {" ", "@colleague.org"}), true},
        BlankCase{"gate_real_phrase_admits", account(1, {" ", "@home.example"}), false},
        BlankCase{"alert_blank", with_alert(account(0, {}), QStringLiteral(" ")), false},
        BlankCase{"alert_empty", with_alert(account(0, {}), QString()), false},
        BlankCase{"real_phrase_still_matches", account(0, {"", "friend@"}), true}),
    [](const auto& info) { return std::string(info.param.name); });

struct SizeCase {
  const char* name;
  qint32 on, limit, size;
  bool expected;
};

class SizeRuleTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeRuleTest, Answers) {
  const SizeCase& c = GetParam();
  AccountRecord r;
  r.size_limit_on = c.on;
  r.size_limit = c.limit;
  EXPECT_EQ(size_rule(r, c.size), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, SizeRuleTest,
    ::testing::Values(SizeCase{"at_limit", 1, 100000, 100000, true}, SizeCase{"below_limit", 1, 100000, 99999, false},
                      SizeCase{"above_limit", 1, 100000, 2000000, true}, SizeCase{"off", 0, 100000, 2000000, false},
                      SizeCase{"on_value_two_is_off", 2, 10, 2000000, false},
                      SizeCase{"zero_limit_marks_all", 1, 0, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The order: the same lists give opposite verdicts in the two modes, and the alert is
// asked only for a message nothing else marked.
struct VerdictCase {
  const char* name;
  AccountRecord record;
  HeaderFields fields;
  qint32 size;
  bool alert_answer;
  bool expected;
  bool alert_asked;
};

AccountRecord with_size_limit(AccountRecord r, qint32 limit) {
  r.size_limit_on = 1;
  r.size_limit = limit;
  return r;
}

class VerdictTest : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(VerdictTest, JudgesInOrder) {
  const VerdictCase& c = GetParam();
  bool asked = false;
  const bool verdict = judge_message(c.record, c.fields, c.size, [&] {
    asked = true;
    return c.alert_answer;
  });
  EXPECT_EQ(verdict, c.expected);
  EXPECT_EQ(asked, c.alert_asked);
}

INSTANTIATE_TEST_SUITE_P(
    Order, VerdictTest,
    ::testing::Values(
        VerdictCase{"filter_mode_deletes_match", account(0, {"@spam"}), fields("x@spam", ""), 10, false, true, false},
        VerdictCase{"gate_mode_keeps_match", account(1, {"@spam"}), fields("x@spam", ""), 10, false, false, true},
        VerdictCase{"filter_mode_keeps_other", account(0, {"@spam"}), fields("x@ham", ""), 10, false, false, true},
        VerdictCase{"gate_mode_deletes_other", account(1, {"@spam"}), fields("x@ham", ""), 10, false, true, false},
        VerdictCase{"size_marks_no_alert", with_size_limit(account(0, {}), 100), fields("a@b", ""), 100, true, true, false},
        VerdictCase{"subject_marks_no_alert", account(0, {}, {"win"}), fields("a@b", "", "", "", "you win"), 1, true, true, false},
        VerdictCase{"alert_decides_last", account(0, {"nomatch"}), fields("a@b", ""), 1, true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex

namespace halvex {
namespace {

// The reason a deleting verdict carries: the rule that decided first, and where.
struct ReasonCase {
  const char* name;
  AccountRecord record;
  HeaderFields fields;
  qint32 size;
  bool alert_answer;
  RuleKind kind;
  QString phrase;
  MatchField field;
  QString text;  // reason_text
};

class ReasonTest : public ::testing::TestWithParam<ReasonCase> {};

TEST_P(ReasonTest, NamesTheDecidingRule) {
  const ReasonCase& c = GetParam();
  const Verdict v = decide_message(c.record, c.fields, c.size, [&] { return c.alert_answer; });
  EXPECT_EQ(v.delete_message, c.kind != RuleKind::None);
  EXPECT_EQ(v.reason.kind, c.kind);
  EXPECT_EQ(v.reason.phrase, c.phrase);
  EXPECT_EQ(v.reason.field, c.field);
  EXPECT_EQ(reason_text(v.reason), c.text);
  EXPECT_EQ(rule_kind_from_key(rule_kind_key(c.kind)), c.kind);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReasonTest,
    ::testing::Values(
        ReasonCase{"size_first_even_when_from_matches", with_size_limit(account(0, {"spam"}), 100),
                   fields("x@spam", ""), 150, false, RuleKind::Size, "", MatchField::None,
                   "size rule, 150 bytes at or above the limit of 100"},
        ReasonCase{"from_phrase_in_display_name", account(0, {"nomatch", "casino"}), fields("a@b.c", "Lucky Casino"),
                   1, false, RuleKind::FromPhrase, "casino", MatchField::FromName,
                   "From phrase \"casino\" found in the sender name"},
        ReasonCase{"from_first_entry_wins", account(0, {"b.c", "a@"}), fields("a@b.c", ""), 1, false,
                   RuleKind::FromPhrase, "b.c", MatchField::FromAddress,
                   "From phrase \"b.c\" found in the sender address"},
        ReasonCase{"to_phrase_in_address", account(0, {}, {}, {"list@"}), fields("a@b", "", "Me", "list@x.org"), 1,
                   false, RuleKind::ToPhrase, "list@", MatchField::ToAddress,
                   "To phrase \"list@\" found in the recipient address"},
        ReasonCase{"subject_phrase", account(0, {}, {"win"}), fields("a@b", "", "", "", "You WIN"), 1, false,
                   RuleKind::SubjectPhrase, "win", MatchField::Subject, "Subject phrase \"win\" found in the subject"},
        ReasonCase{"gate_mode", account(1, {"@friends"}), fields("a@else", ""), 1, false, RuleKind::Gate, "",
                   MatchField::None, "gate mode, the sender is not on the From list"},
        ReasonCase{"alert_asks", with_alert(account(0, {}), "invoice"), fields("a@b", "", "", "", "Invoice 7"), 1,
                   true, RuleKind::Alert, "invoice", MatchField::None, "alert phrase \"invoice\" asks for deletion"},
        ReasonCase{"phrase_with_controls_shown_escaped", account(0, {}, {"a\x1b[2J"}),
                   fields("a@b", "", "", "", "xa\x1b[2Jy"), 1, false, RuleKind::SubjectPhrase, "a\x1b[2J",
                   MatchField::Subject, "Subject phrase \"a\\e[2J\" found in the subject"},
        ReasonCase{"kept", account(0, {"zzz"}), fields("a@b", ""), 1, false, RuleKind::None, "", MatchField::None,
                   "no rule"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReasonLine, ShowsSenderAndSubjectOnOneLine) {
  HeaderFields f = fields("", "Name Only", "", "", "two\r\nlines\there");
  VerdictReason r;
  r.kind = RuleKind::Gate;
  EXPECT_EQ(reason_line(f, r),
            "Reason: sender \"Name Only\", subject \"two\\r\\nlines\\there\": gate mode, the sender is not on the "
            "From list.");
}

}  // namespace
}  // namespace halvex
