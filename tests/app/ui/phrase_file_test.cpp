// Phrase list files, export names, and merging imported lines into a sorted list.
#include "dialog_test_support.h"
#include "ui/list_import_export.h"
#include "ui/phrase_file.h"
#include "ui/phrase_list.h"

namespace halvex {
namespace {

using test::entries_of;
using test::file_bytes;
using test::write_bytes;

struct SplitRow {
  const char* name;
  const char* text;
  QStringList lines;
};

class SplitLines : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitLines, EveryLineEnding) {
  EXPECT_EQ(split_phrase_lines(QString::fromUtf8(GetParam().text)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, SplitLines,
    testing::Values(SplitRow{"crlf", "a\r\nb\r\n", {"a", "b"}},
                    SplitRow{"lf", "a\nb\n", {"a", "b"}},
                    SplitRow{"cr", "a\rb\r", {"a", "b"}},
                    SplitRow{"mixed", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
                    SplitRow{"last_line_unended", "a\r\nb", {"a", "b"}},
                    SplitRow{"blank_line", "a\r\n\r\nb\r\n", {"a", "", "b"}},
                    SplitRow{"only_line_end", "\r\n", {""}},
                    SplitRow{"empty", "", {}},
                    SplitRow{"blanks_kept", "  x  \r\n", {"  x  "}},
                    SplitRow{"byte_order_mark", "\xEF\xBB\xBFviagra\r\n", {"viagra"}},
                    SplitRow{"lf_cr_is_two_ends", "a\n\rb", {"a", "", "b"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PhraseFile, ReadsUtf8AndWindows1252Bytes) {
  QTemporaryDir dir;
  const QString path = dir.filePath("list.txt");
  ASSERT_TRUE(write_bytes(path, "M\xC3\xBCller\nM\xFCller\n"));
  const auto lines = read_phrase_file(path);
  ASSERT_TRUE(lines);
  EXPECT_EQ(*lines, QStringList({QStringLiteral("M\u00FCller"), QStringLiteral("M\u00FCller")}));
}

TEST(PhraseFile, MissingFileOrFolderCannotBeRead) {
  QTemporaryDir dir;
  EXPECT_FALSE(read_phrase_file(dir.filePath("none.txt")));
  EXPECT_FALSE(read_phrase_file(dir.path()));
}

TEST(PhraseFile, WritesUtf8WithCrLfAndReplaces) {
  QTemporaryDir dir;
  const QString path = dir.filePath("out.txt");
  ASSERT_TRUE(write_phrase_file(path, {"a,b", QStringLiteral("M\u00FCller"), ""}));
  EXPECT_EQ(file_bytes(path), QByteArray("a,b\r\nM\xC3\xBCller\r\n\r\n"));
  ASSERT_TRUE(write_phrase_file(path, {}));
  EXPECT_EQ(file_bytes(path), QByteArray());
  EXPECT_FALSE(write_phrase_file(dir.filePath("gone/out.txt"), {"a"}));
}

struct NameCase {
  const char* name;
  const char* description;
  const char* choice;
  const char* file;
};

class ExportName : public testing::TestWithParam<NameCase> {};

TEST_P(ExportName, FolderDescriptionEnding) {
  EXPECT_EQ(export_file_name("/lists/", GetParam().description, GetParam().choice),
            GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ExportName,
    testing::Values(NameCase{"from", "home", "1", "/lists/home_From_List.txt"},
                    NameCase{"subject", "home", "2", "/lists/home_Subject_List.txt"},
                    NameCase{"to", "home", "3", "/lists/home_To_List.txt"},
                    NameCase{"new_account", "", "2", "/lists/_Subject_List.txt"},
                    NameCase{"cancelled", "home", "0", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExportName, AddsTheFolderSlash) {
  EXPECT_EQ(export_file_name("/lists", "w", "1"), "/lists/w_From_List.txt");
}

TEST(SortedList, IgnoresCaseAndKeepsEqualsInArrivalOrder) {
  QListWidget list;
  for (const char* e : {"b", "A", "c", "a", "B", "a"}) insert_sorted(&list, e);
  EXPECT_EQ(entries_of(&list), QStringList({"A", "a", "a", "b", "B", "c"}));
  fill_sorted(&list, {"zeta", "Alpha", "beta"});
  EXPECT_EQ(entries_of(&list), QStringList({"Alpha", "beta", "zeta"}));
}

TEST(MergePhrases, SkipsExactDuplicatesAndBlankLines) {
  QListWidget list;
  EXPECT_EQ(merge_phrases(&list, {"b", "a", "b", "d"}), (ImportTally{3, 0, 1}));
  EXPECT_EQ(entries_of(&list), QStringList({"a", "b", "d"}));
  EXPECT_EQ(merge_phrases(&list, {"B", "d", "", "", "   ", "\t", "\"\""}), (ImportTally{1, 5, 1}));
  EXPECT_EQ(entries_of(&list), QStringList({"a", "b", "B", "d"}));
}

TEST(ImportSummary, CountsWhatWasAddedAndSkipped) {
  const struct {
    ImportTally tally;
    const char* text;
  } rows[] = {
      {{3, 0, 0}, "Added 3 phrases to the From list."},
      {{1, 0, 0}, "Added 1 phrase to the From list."},
      {{0, 1, 0}, "Added 0 phrases to the From list.\rSkipped 1 line: 1 blank, 0 already in the list."},
      {{2, 2, 1}, "Added 2 phrases to the From list.\rSkipped 3 lines: 2 blank, 1 already in the list."},
  };
  for (const auto& row : rows) EXPECT_EQ(import_summary(row.tally, "From"), row.text);
}

TEST(MergePhrases, KeepsCommasAndBlanksDropsQuotes) {
  QListWidget list;
  merge_phrases(&list, {" lead", "x,y", "say \"hi\"", "say hi"});
  EXPECT_EQ(entries_of(&list), QStringList({" lead", "say hi", "x,y"}));
}

}  // namespace
}  // namespace halvex
