// Mail text on one line: nothing in a sender or subject may break a line, drive a
// terminal or turn the text around.
#include "engine/one_line_text.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

struct OneLineCase {
  const char* name;
  QString text;
  QString shown;
};

class OneLineTest : public ::testing::TestWithParam<OneLineCase> {};

TEST_P(OneLineTest, ShowsControlsAsEscapes) { EXPECT_EQ(one_line_text(GetParam().text), GetParam().shown); }

INSTANTIATE_TEST_SUITE_P(
    Texts, OneLineTest,
    ::testing::Values(
        OneLineCase{"plain", "Hello, world", "Hello, world"},
        OneLineCase{"line_breaks_and_tab", "a\r\nb\tc", "a\\r\\nb\\tc"},
        OneLineCase{"terminal_escape", "\x1b]0;owned\x07", "\\e]0;owned\\x07"},
        OneLineCase{"c1_csi_and_del", QString(QChar(0x9b)) + "31m\x7f", "\\x9b31m\\x7f"},
        OneLineCase{"backslash_doubled", "C:\\n", "C:\\\\n"},
        OneLineCase{"nul", QString(QChar(0)) + "x", "\\x00x"},
        OneLineCase{"bidi_override", QString::fromUtf8("abc\u202Egpj.exe"), "abc\\u{202e}gpj.exe"},
        OneLineCase{"line_separator", QString::fromUtf8("a\u2028b"), "a\\u{2028}b"},
        OneLineCase{"emoji_kept", QString::fromUtf8("hi \U0001F600"), QString::fromUtf8("hi \U0001F600")},
        OneLineCase{"lone_surrogate", QString(QChar(0xD800)) + "z", "\\u{d800}z"},
        OneLineCase{"non_ascii_letters", QString::fromUtf8("Grüße"), QString::fromUtf8("Grüße")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OneLineText, LongTextIsCut) {
  const QString shown = one_line_text(QString(500, QLatin1Char('x')), 10);
  EXPECT_EQ(shown, QString(10, QLatin1Char('x')) + "...");
  EXPECT_EQ(one_line_text(QString(10, QLatin1Char('x')), 10), QString(10, QLatin1Char('x')));
}

}  // namespace
}  // namespace halvex
