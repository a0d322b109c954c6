// The quoted-field text format: writing lines and reading fields back.
#include "accounts/quoted_fields.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

TEST(QuotedFieldWriter, SeparatesFieldsByCommasAndEndsLinesWithCrLf) {
  QuotedFieldWriter out;
  out.string_field(QStringLiteral("a b")).int_field(-7).string_field({}).end_line();
  out.int_field(0).end_line();
  EXPECT_EQ(out.bytes(), QByteArray("\"a b\",-7,\"\"\r\n0\r\n"));
}

TEST(QuotedFieldReader, QuotedFieldKeepsCommasAndBlanksAndSkipsWhatFollowsTheQuote) {
  QuotedFieldReader in(QStringLiteral("\"  a,b \"junk,next\r\n"));
  EXPECT_EQ(in.string_field(), QStringLiteral("  a,b "));
  EXPECT_EQ(in.string_field(), QStringLiteral("next"));
  EXPECT_TRUE(in.at_end());
  EXPECT_EQ(in.string_field(), std::nullopt);
}

TEST(QuotedFieldReader, QuotedFieldRunsOverLineEnds) {
  QuotedFieldReader in(QStringLiteral("\"one\r\ntwo\",3\r\n"));
  EXPECT_EQ(in.string_field(), QStringLiteral("one\r\ntwo"));
  EXPECT_EQ(in.int_field(), 3);
}

TEST(QuotedFieldReader, UnquotedFieldRunsToCommaOrLineEndAfterLeadingBlanks) {
  QuotedFieldReader in(QStringLiteral("  plain text ,\t x\ny"));
  EXPECT_EQ(in.string_field(), QStringLiteral("plain text "));
  EXPECT_EQ(in.string_field(), QStringLiteral("x"));
  EXPECT_EQ(in.string_field(), QStringLiteral("y"));
  EXPECT_EQ(in.string_field(), std::nullopt);
}

TEST(QuotedFieldReader, AcceptsCrLfLoneCrAndLoneLfAsLineEnds) {
  QuotedFieldReader in(QStringLiteral("\"a\"\r\"b\"\n\"c\"\r\n\"d\""));
  for (const char* expected : {"a", "b", "c", "d"})
    EXPECT_EQ(in.string_field(), QString::fromLatin1(expected));
  EXPECT_TRUE(in.at_end());
}

TEST(QuotedFieldReader, EmptyLineIsAnEmptyField) {
  QuotedFieldReader in(QStringLiteral("\r\n1\r\n"));
  EXPECT_EQ(in.string_field(), QString());
  EXPECT_EQ(in.int_field(), 1);
}

TEST(QuotedFieldReader, UnclosedQuoteRunsToTheEnd) {
  QuotedFieldReader in(QStringLiteral("\"abc,\r\ndef"));
  EXPECT_EQ(in.string_field(), QStringLiteral("abc,\r\ndef"));
  EXPECT_TRUE(in.at_end());
}

struct IntRow {
  const char* name;
  const char* text;
  std::optional<qint32> value;
};

class IntField : public testing::TestWithParam<IntRow> {};

TEST_P(IntField, ReadsDecimalIntegersOnly) {
  QuotedFieldReader in(QString::fromLatin1(GetParam().text));
  EXPECT_EQ(in.int_field(), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IntField,
    testing::Values(IntRow{"zero", "0\r\n", 0}, IntRow{"negative", "-12,", -12},
                    IntRow{"blanks_around", "  42 \r\n", 42},
                    IntRow{"quoted_digits", "\"7\"", 7},
                    IntRow{"largest", "2147483647", 2147483647},
                    IntRow{"smallest", "-2147483648", std::numeric_limits<qint32>::min()},
                    IntRow{"too_large", "2147483648", std::nullopt},
                    IntRow{"far_too_large", "99999999999999999999999", std::nullopt},
                    IntRow{"letters", "abc", std::nullopt},
                    IntRow{"trailing_letters", "12ab", std::nullopt},
                    IntRow{"fraction", "1.5", std::nullopt},
                    IntRow{"empty", ",", std::nullopt}, IntRow{"sign_only", "-", std::nullopt},
                    IntRow{"at_end", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StorableAsStringField, RefusesOnlyTheDoubleQuote) {
  EXPECT_TRUE(storable_as_string_field(QStringLiteral("a, b\r\n")));
  EXPECT_FALSE(storable_as_string_field(QStringLiteral("say \"hi\"")));
}

}  // namespace
}  // namespace halvex
