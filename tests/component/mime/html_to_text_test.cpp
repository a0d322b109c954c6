// HTML to text: the body cut, tag stripping, tag ends that become breaks, the three entities.
#include <gtest/gtest.h>

#include <string>

#include "mime/html_to_text.h"

namespace {

struct Row {
    const char* name;
    std::string html;
    std::string text;
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class HtmlToText : public testing::TestWithParam<Row> {};

TEST_P(HtmlToText, GivesTheDesignedText) { EXPECT_EQ(velmo::html_to_text(GetParam().html), GetParam().text); }

using namespace std::string_literals;

const Row kRows[] = {
    // The body cut.
    {"HeadAndTitleDropped", "<html><head><title>T</title></head><body>Hi<br>there</body></html>",
     "Hi\r\nthere"},
    {"BodyFoundInAnyCase", "<title>skip</title><BoDy bgcolor=white>kept", "kept"},
    {"FirstBodyWins", "x<body>a<body>b", "ab"},
    {"NoBodyConvertsAll", "<p>one</p>", "one\r\n"},
    {"BodyTagAtVeryStart", "<body>", ""},
    {"BodyTagItselfIsRead", "head</p><body/p>x", "\r\nx"},
    {"PartialBodyNameIsNotABody", "head<BOD>rest", "headrest"},
    // Entities.
    {"ThreeEntitiesOthersKept", "a&lt;b &amp; c&nbsp;d", "a<b &amp; c d"},
    {"GreaterThanEntity", "1 &gt; 0", "1 > 0"},
    {"EntityNamesLowerCaseOnly", "&LT;&Gt;&NBSP;", "&LT;&Gt;&NBSP;"},
    {"NumericEntitiesKept", "&#60;&#x3c;&quot;", "&#60;&#x3c;&quot;"},
    {"EntityCutShortAtEndKept", "a&lt", "a&lt"},
    {"NbspRunsNotCollapsed", "&nbsp;&nbsp;&nbsp;", "   "},
    {"EntityTextInsideTagDropped", "<a title='&lt;'>x</a>", "x"},
    // Tag ends.
    {"TableCellsAndRows", "<table><tr><td>1</td><td>2</td></tr></table>", "1 2 \r\n"},
    {"ParagraphsCloseWithBreaks", "<p>one</p><p>two</p>", "one\r\ntwo\r\n"},
    {"RuleUpperCase", "<HR>", "\r\n"},
    {"RuleLowerCase", "<hr>", "\r\n"},
    {"ClosingBreakCounts", "a</br>b", "a\r\nb"},
    {"BreakWithAttributeGivesNothing", "a<br clear=all>b", "ab"},
    {"SelfClosingBreakGivesNothing", "a<br/>b", "ab"},
    {"OpeningTagsGiveNothing", "<p><tr><td>x", "x"},
    {"SpaceBeforeCloseGivesNothing", "a</td >b", "ab"},
    {"OnlyLastCharactersCompared", "<xbr>y<a/tr>z<nop/p>", "\r\ny\r\nz\r\n"},
    {"TagEndNearStartOfText", "<>r>", "r"},
    // Stray brackets.
    {"StrayGreaterThanDropped", "x > y", "x  y"},
    {"UnclosedTagDropsTheRest", "keep<never closed", "keep"},
    {"LessThanInsideTagDropped", "a<b<c>d", "ad"},
    {"EmptyInput", "", ""},
    // Everything else is copied unchanged.
    {"WhiteSpaceKept", "  a \t\r\n b  ", "  a \t\r\n b  "},
    {"EightBitBytesKept", "caf\xC3\xA9 \xE9", "caf\xC3\xA9 \xE9"},
    {"NulBytesKept", "a\0b"s, "a\0b"s},
};

INSTANTIATE_TEST_SUITE_P(Rows, HtmlToText, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) { return info.param.name; });

}  // namespace
