// Lock names and paths, replace_string.
#include "lock_name.h"
#include "replace_string.h"

#include "qt_print.h"

#include <gtest/gtest.h>

namespace halvex::alert {
namespace {

struct ReplaceRow {
  const char* name;
  const char* source;
  const char* searchfor;
  const char* replacewith;
  const char* result;
};

class ReplaceString : public testing::TestWithParam<ReplaceRow> {};

TEST_P(ReplaceString, NeverRescansInsertedText) {
  const ReplaceRow& row = GetParam();
  EXPECT_EQ(replace_string(QString::fromUtf8(row.source), QString::fromUtf8(row.searchfor),
                           QString::fromUtf8(row.replacewith)),
            QString::fromUtf8(row.result));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReplaceString,
    testing::Values(
        ReplaceRow{"every_occurrence", "a.b.c", ".", "_", "a_b_c"},
        ReplaceRow{"replacement_holds_search", "aaa", "a", "aa", "aaaaaa"},
        ReplaceRow{"replacement_completes_new_match", "abab", "ab", "a", "aa"},
        ReplaceRow{"longer_search", "x<--->y<--->", "<--->", "-", "x-y-"},
        ReplaceRow{"to_nothing", "xx", "x", "", ""},
        ReplaceRow{"no_occurrence", "abc", "z", "_", "abc"},
        ReplaceRow{"empty_search_changes_nothing", "abc", "", "_", "abc"},
        ReplaceRow{"case_sensitive", "aAa", "A", "_", "a_a"},
        ReplaceRow{"empty_source", "", "a", "b", ""}),
    [](const testing::TestParamInfo<ReplaceRow>& info) { return std::string(info.param.name); });

struct NameRow {
  const char* name;
  const char* sender;
  const char* subject;
  const char* lock_name;
  const char* file_name;  // the lock file's name in the folder
};

class LockName : public testing::TestWithParam<NameRow> {};

TEST_P(LockName, BuildsNameAndLowerCasedFileName) {
  const NameRow& row = GetParam();
  const QString name = lock_name(QString::fromUtf8(row.sender), QString::fromUtf8(row.subject));
  EXPECT_EQ(name, QString::fromUtf8(row.lock_name));
  EXPECT_EQ(lock_path(u"/srv/x/"_qs, name), u"/srv/x/"_qs + QString::fromUtf8(row.file_name));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LockName,
    testing::Values(
        NameRow{"plain", "a", "c", "a_c", "a_c.lck"},
        NameRow{"both_empty", "", "", "_", "_.lck"},
        NameRow{"blanks_inside_stay", "Bob (home)", "Re: 50% off!", "Bob _home__Re_ 50_ off_",
                "bob _home__re_ 50_ off_.lck"},
        NameRow{"outer_blanks_trimmed", "  a  b ", " c ", "a  b_c", "a  b_c.lck"},
        NameRow{"only_blanks_trimmed", "\ta", "c\t", "\ta_c\t", "\ta_c\t.lck"},
        NameRow{"all_28_characters", "!@#$%^&*()<>?,:;", "[]{}|\\/=+-.\"",
                "_____________________________", "_____________________________.lck"},
        NameRow{"address", "Spam.King@Example.COM", "WIN $$$", "Spam_King_Example_COM_WIN ___",
                "spam_king_example_com_win ___.lck"},
        NameRow{"path_characters_cannot_escape_folder", "../../etc", "passwd", "______etc_passwd",
                "______etc_passwd.lck"},
        NameRow{"other_characters_stay", "a~'`", "b_\xC3\x9C", "a~'`_b_\xC3\x9C",
                "a~'`_b_\xC3\xBC.lck"}),
    [](const testing::TestParamInfo<NameRow>& info) { return std::string(info.param.name); });

TEST(LockPath, LowerCasesOnlyTheNameNeverTheFolder) {
  EXPECT_EQ(lock_path(u"/home/Ann/My Halvex/"_qs, u"Bob_Hi"_qs), u"/home/Ann/My Halvex/bob_hi.lck"_qs);
}

TEST(LockPath, AddsTheMissingSlash) {
  EXPECT_EQ(lock_path(u"/home/Ann/Halvex"_qs, u"A_B"_qs), u"/home/Ann/Halvex/a_b.lck"_qs);
}

}  // namespace
}  // namespace halvex::alert

namespace halvex::alert {
namespace {

// A subject long enough (in UTF-8 bytes) that its lock could not be a file name at all would
// turn every such alert into "Corrupt command line!"; the name is fitted instead.
TEST(LockPath, TooLongNameFitsAFileNameAndStaysTheSameForTheSameAlert) {
  const QString subject = QString::fromUtf8("\xC3\x89t\xC3\xA9 ").repeated(60) + QStringLiteral("offer");
  const QString name = lock_name(u"Sender"_qs, subject);
  const QString path = lock_path(u"/tmp/Halvex/"_qs, name);
  const QString file = path.mid(QStringLiteral("/tmp/Halvex/").size());
  EXPECT_LE(file.toUtf8().size(), 255);
  EXPECT_TRUE(file.startsWith(u"sender_\u00E9t\u00E9 "_qs));
  EXPECT_TRUE(file.endsWith(u".lck"_qs));
  EXPECT_EQ(path, lock_path(u"/tmp/Halvex/"_qs, name));
  // Names that differ only past the kept start still get locks of their own.
  EXPECT_NE(path, lock_path(u"/tmp/Halvex/"_qs, lock_name(u"Sender"_qs, subject + u"!"_qs)));
}

TEST(LockPath, NameThatJustFitsIsUnchanged) {
  const QString name(251, QLatin1Char('a'));  // 251 + ".lck" = 255 bytes
  EXPECT_EQ(lock_path(u"/x/"_qs, name), u"/x/"_qs + name + u".lck"_qs);
}

}  // namespace
}  // namespace halvex::alert
