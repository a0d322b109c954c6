// Splitting the argument text at its first markers, and joining split arguments.
#include "argument_text.h"

#include "qt_print.h"

#include <gtest/gtest.h>

#include <vector>

namespace halvex::alert {
namespace {

struct SplitRow {
  const char* name;
  const char* text;
  bool usable;
  const char* sender;
  const char* account;
  const char* subject;
};

class SplitArgumentText : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitArgumentText, GivesTheThreeFieldsOrNothing) {
  const SplitRow& row = GetParam();
  const auto fields = split_argument_text(QString::fromUtf8(row.text));
  ASSERT_EQ(fields.has_value(), row.usable);
  if (!row.usable) return;
  EXPECT_EQ(fields->sender, QString::fromUtf8(row.sender));
  EXPECT_EQ(fields->account, QString::fromUtf8(row.account));
  EXPECT_EQ(fields->subject, QString::fromUtf8(row.subject));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitArgumentText,
    testing::Values(
        SplitRow{"plain", "a<--->b<///>c", true, "a", "b", "c"},
        SplitRow{"all_empty", "<---><///>", true, "", "", ""},
        SplitRow{"blanks_kept", " Bob (home) <---> Work <///> Re: 50% off! ", true,
                 " Bob (home) ", " Work ", " Re: 50% off! "},
        SplitRow{"subject_holds_sender_marker", "a<--->b<///>x<--->y", true, "a", "b",
                 "x<--->y"},
        SplitRow{"subject_holds_subject_marker", "a<--->b<///>c<///>d", true, "a", "b",
                 "c<///>d"},
        SplitRow{"account_holds_sender_marker", "a<--->b<--->c<///>d", true, "a", "b<--->c",
                 "d"},
        SplitRow{"non_ascii", "j\xC3\xBCrgen<--->Konto<///>\xE2\x82\xAC 5", true,
                 "j\xC3\xBCrgen", "Konto", "\xE2\x82\xAC 5"},
        SplitRow{"no_subject_marker", "a<--->b c", false, "", "", ""},
        SplitRow{"no_sender_marker", "a b<///>c", false, "", "", ""},
        SplitRow{"empty_text", "", false, "", "", ""},
        SplitRow{"subject_marker_first", "a<///>b<--->c", false, "", "", ""},
        SplitRow{"sender_holds_subject_marker", "x<///>y<--->b<///>c", false, "", "", ""},
        SplitRow{"half_markers", "a<--b<//c", false, "", "", ""},
        SplitRow{"markers_share_characters", "a<---///>c", false, "", "", ""}),
    [](const testing::TestParamInfo<SplitRow>& info) { return std::string(info.param.name); });

struct JoinRow {
  const char* name;
  std::vector<const char*> arguments;  // without the program name
  const char* text;
};

class JoinArguments : public testing::TestWithParam<JoinRow> {};

TEST_P(JoinArguments, JoinsEverythingAfterTheProgramNameWithSingleBlanks) {
  const JoinRow& row = GetParam();
  std::vector<const char*> argv{"/opt/halvex/halvex-alert"};
  argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
  EXPECT_EQ(join_arguments(static_cast<int>(argv.size()), argv.data()),
            QString::fromUtf8(row.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JoinArguments,
    testing::Values(
        JoinRow{"none", {}, ""},
        JoinRow{"one_with_blanks", {"a b<--->c<///>d  e"}, "a b<--->c<///>d  e"},
        JoinRow{"split_by_a_shell", {"Bob", "<--->Work<///>Re:", "hi"},
                "Bob <--->Work<///>Re: hi"},
        JoinRow{"empty_arguments_keep_their_blanks", {"", "a", ""}, " a "},
        JoinRow{"latin1_byte", {"caf\xE9<--->a<///>b"}, "caf\xC3\xA9<--->a<///>b"}),
    [](const testing::TestParamInfo<JoinRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex::alert
