// Header field lookup, part fields, field parameters, addresses and recipient pieces.
#include <gtest/gtest.h>

#include <string>

#include "mime/addresses.h"
#include "mime/header_fields.h"

namespace {

struct FieldRow {
    const char* name;
    std::string header;
    std::string field;
    std::string expected;
};
std::string row_name(const testing::TestParamInfo<FieldRow>& info) { return info.param.name; }

class GetFieldRows : public testing::TestWithParam<FieldRow> {};
TEST_P(GetFieldRows, FindsTheUnfoldedValue) {
    const FieldRow& r = GetParam();
    EXPECT_EQ(velmo::GetField(velmo::GetHeaderBlock(r.header), r.field), r.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Fields, GetFieldRows,
    testing::Values(
        FieldRow{"FirstLine", "Subject: Hi\r\nFrom: ann\r\n\r\nbody", "Subject", "Hi"},
        FieldRow{"NameUpperCase", "Subject: Hi\r\nFrom: ann\r\n\r\nbody", "SUBJECT", "Hi"},
        FieldRow{"NameLowerCase", "Subject: Hi\r\nFrom: ann\r\n\r\nbody", "subject", "Hi"},
        FieldRow{"LastLine", "Subject: Hi\r\nFrom: ann\r\n\r\nbody", "From", "ann"},
        FieldRow{"FoldedWithTab", "Subject: one\r\n\ttwo\r\nX: y", "Subject", "one two"},
        FieldRow{"FoldedSpacesStay", "Subject: one\r\n  two", "Subject", "one  two"},
        FieldRow{"OnlyWhiteSpace", "Subject: \t \r\nX: y", "Subject", ""},
        FieldRow{"NoBlankLineSearchedInFull", "A: 1\r\nSubject: whole", "Subject", "whole"},
        FieldRow{"NeverInTheBody", "A: 1\r\n\r\nSubject: body", "Subject", ""},
        FieldRow{"FirstOfTwo", "Received: one\r\nReceived: two", "Received", "one"},
        FieldRow{"SpaceBeforeColonNotFound", "Subject : Hi", "Subject", ""},
        FieldRow{"LongerNameNotConfused", "Resent-To: a\r\nTo: b", "To", "b"},
        FieldRow{"OnlyLongerName", "Resent-To: a", "To", ""},
        FieldRow{"NameInsideAValueNotFound", "X: y\r\n To: folded", "To", ""},
        FieldRow{"TrailingLineEndWithoutBlankLine", "Subject: Hi\r\n", "Subject", "Hi"},
        FieldRow{"LoneLineFeedIsNoLineEnd", "X: 1\nSubject: Hi", "Subject", ""},
        FieldRow{"InnerTabsBecomeSpaces", "Subject: a\tb", "Subject", "a b"},
        FieldRow{"EmptyHeader", "", "Subject", ""}),
    row_name);

TEST(GetField, LaterOccurrencesByIndex) {
    std::string h = "Received: one\r\nX: 1\r\nReceived: two\r\nReceived: three";
    EXPECT_EQ(velmo::GetField(h, "Received", 1), "two");
    EXPECT_EQ(velmo::GetField(h, "Received", 2), "three");
    EXPECT_EQ(velmo::GetField(h, "Received", 3), "");
    EXPECT_EQ(velmo::GetField(h, "Received", -1), "");
}

TEST(GetHeaderBlock, StopsBeforeTheBlankLine) {
    EXPECT_EQ(velmo::GetHeaderBlock("Subject: Hi\r\nFrom: ann\r\n\r\nbody"), "Subject: Hi\r\nFrom: ann");
    EXPECT_EQ(velmo::GetHeaderBlock("no blank line"), "no blank line");
    EXPECT_EQ(velmo::GetHeaderBlock(""), "");
}

class GetPartFieldRows : public testing::TestWithParam<FieldRow> {};
TEST_P(GetPartFieldRows, FindsTheRawField) {
    const FieldRow& r = GetParam();
    EXPECT_EQ(velmo::GetPartField(r.header, r.field), r.expected);
}
INSTANTIATE_TEST_SUITE_P(
    PartFields, GetPartFieldRows,
    testing::Values(
        FieldRow{"AfterBoundaryLineEnd", "\r\nContent-Type: text/plain\r\n\r\nbody", "Content-Type",
                 "Content-Type: text/plain"},
        FieldRow{"NameMatchedIgnoringCase", "\r\ncontent-type: text/plain\r\n\r\nx", "CONTENT-TYPE",
                 "content-type: text/plain"},
        FieldRow{"FollowsLinesEndingInSemicolon",
                 "\r\nContent-Type: multipart/mixed;\r\n\tboundary=\"b\"\r\nX: y\r\n\r\n", "Content-Type",
                 "Content-Type: multipart/mixed;\r\n\tboundary=\"b\""},
        FieldRow{"SemicolonThenTrailingBlanks", "\r\nContent-Type: a; \t\r\n name=x\r\n\r\n", "Content-Type",
                 "Content-Type: a; \t\r\n name=x"},
        FieldRow{"FoldingWithoutSemicolonNotFollowed", "\r\nSubject: a\r\n b\r\n\r\n", "Subject", "Subject: a"},
        // The designed edge case: a field that runs into the blank line is not found.
        FieldRow{"RunsIntoTheBlankLine", "\r\nX: 1\r\nContent-Type: text/plain;\r\n\r\nbody", "Content-Type", ""},
        FieldRow{"NameIsAPrefixMatch", "\r\nContent-Types: odd\r\n\r\n", "Content-Type", "Content-Types: odd"},
        FieldRow{"NotInTheBody", "\r\nX: 1\r\n\r\nContent-Type: text/html\r\n", "Content-Type", ""},
        FieldRow{"NoBlankLineWholePartSearched", "\r\nX: 1\r\nContent-ID: <a>\r\n", "Content-ID",
                 "Content-ID: <a>"},
        FieldRow{"NoLineEndAfterIt", "\r\nX: 1\r\nContent-ID: <a>", "Content-ID", ""},
        // A message that begins with the field: found as if a CR LF preceded it.
        FieldRow{"FirstLineOfAMessage", "Content-Type: multipart/mixed; boundary=b\r\n\r\n", "Content-Type",
                 "Content-Type: multipart/mixed; boundary=b"}),
    row_name);

struct ParamRow {
    const char* name;
    std::string field;
    std::string param;
    std::string expected;
};
std::string param_name(const testing::TestParamInfo<ParamRow>& info) { return info.param.name; }

class GetFieldParamRows : public testing::TestWithParam<ParamRow> {};
TEST_P(GetFieldParamRows, ReadsTheValue) {
    const ParamRow& r = GetParam();
    EXPECT_EQ(velmo::GetFieldParam(r.field, r.param), r.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Params, GetFieldParamRows,
    testing::Values(
        // An unquoted value ends at ";", a line break or the end of the field; blanks inside it
        // stay, blanks at its end go.
        ParamRow{"UnquotedEndsAtSemicolon", "Content-Type: text/plain; charset=us-ascii; format=flowed", "charset",
                 "us-ascii"},
        ParamRow{"QuotedValue", "Content-Type: text/plain; charset=\"us-ascii\"; format=flowed", "charset",
                 "us-ascii"},
        ParamRow{"MainValue", "Content-Type: text/plain; charset=us-ascii; format=flowed", "", "text/plain"},
        ParamRow{"MainValueWithoutParameters", "Content-Type:   text/plain  ", "", "text/plain  "},
        ParamRow{"MainValueWithoutColon", "Content-Type text/plain", "", ""},
        ParamRow{"UnquotedBoundaryBeforeTrailingBlank", "Content-Type: multipart/mixed; boundary=abc ", "boundary",
                 "abc"},
        ParamRow{"UnquotedBoundaryBeforeFolding", "Content-Type: multipart/mixed; boundary=abc\r\n\tx=1",
                 "boundary", "abc"},
        ParamRow{"UnquotedValueToTheEnd", "Content-Type: a; name=x.gif", "name", "x.gif"},
        ParamRow{"UnquotedValueKeepsInnerBlanks", "Content-Type: a; name=my report.pdf", "name", "my report.pdf"},
        ParamRow{"UnquotedValueWithBlanksThenParameter", "Content-Type: a; name=my  report.pdf \t; size=3", "name",
                 "my  report.pdf"},
        ParamRow{"UnquotedValueBeforeFoldedParameter", "Content-Type: a; name=old notes.txt;\r\n\tsize=3", "name",
                 "old notes.txt"},
        ParamRow{"UnquotedCharsetBeforeFormat", "Content-Type: text/plain; charset=utf-8 ; format=flowed", "charset",
                 "utf-8"},
        ParamRow{"NameCaseIgnored", "Content-Type: text/plain; CHARSET=\"UTF-8\"", "Charset", "UTF-8"},
        ParamRow{"TailOfALongerName", "Content-Disposition: attachment; filename=\"a.pdf\"", "name", "a.pdf"},
        ParamRow{"MissingClosingQuote", "Content-Type: a; name=\"x.gif", "name", ""},
        ParamRow{"ClosingQuoteSearchedFromSecondChar", "Content-Type: a; name=\"\"b\"", "name", "\"b"},
        ParamRow{"QuotedValueKeepsSemicolons", "Content-Type: a; name=\"x;y z\"", "name", "x;y z"},
        ParamRow{"NoSpaceAroundEquals", "Content-Type: a; name = x", "name", ""},
        ParamRow{"Absent", "Content-Type: a", "charset", ""},
        ParamRow{"EmptyUnquoted", "Content-Type: a; charset=", "charset", ""},
        ParamRow{"QuoteAtVeryEnd", "Content-Type: a; name=\"", "name", ""}),
    param_name);

struct AddressRow {
    const char* name;
    std::string text;
    std::string address;
    std::string display;
};
std::string address_name(const testing::TestParamInfo<AddressRow>& info) { return info.param.name; }

class SplitAddressRows : public testing::TestWithParam<AddressRow> {};
TEST_P(SplitAddressRows, Splits) {
    velmo::SplitResult r = velmo::SplitAddress(GetParam().text);
    EXPECT_EQ(r.address, GetParam().address);
    EXPECT_EQ(r.name, GetParam().display);
}
INSTANTIATE_TEST_SUITE_P(
    Addresses, SplitAddressRows,
    testing::Values(AddressRow{"NameAndAngle", "Ann Lee <ann.lee>", "ann.lee", "Ann Lee"},
                    AddressRow{"QuotedNameWithComma", "\"Lee, Ann\" <ann.lee>", "ann.lee", "Lee, Ann"},
                    AddressRow{"OnlyAngle", "<ann.lee>", "ann.lee", "ann.lee"},
                    AddressRow{"ByteBeforeAngleDropped", "Ann<ann.lee>", "ann.lee", "An"},
                    AddressRow{"NoClosingAngle", "Ann <ann.lee", "", ""},
                    AddressRow{"Bare", "ann.lee", "ann.lee", "ann.lee"},
                    AddressRow{"NotTrimmed", " Bob <bob.box>", "bob.box", " Bob"},
                    AddressRow{"UnquotedNameDecoded", "=?utf-8?Q?J=C3=B6rg?= <j.box>", "j.box", "J\xc3\xb6rg"},
                    AddressRow{"QuotedNameNotDecodedHere", "\"=?utf-8?Q?x?=\" <q.box>", "q.box", "=?utf-8?Q?x?="},
                    AddressRow{"QuotedNameWithoutAngle", "\"Ann\" ann.lee", "Ann", "Ann"},
                    AddressRow{"QuotedNameAngleNotClosed", "\"Ann\" <ann.lee", "Ann", "Ann"},
                    AddressRow{"LoneQuoteNoAngle", "Ann \"x", "Ann \"x", "Ann \"x"},
                    AddressRow{"LoneQuoteWithAngle", "Ann \"x <a.b>", "a.b", "a.b"},
                    AddressRow{"LoneQuoteAngleNotClosed", "Ann \"x <a.b", "", ""},
                    AddressRow{"AngleBeforeQuotesIgnored", "<x.y> \"Ann\"", "Ann", "Ann"},
                    AddressRow{"Empty", "", "", ""}),
    address_name);

TEST(SplitRecipients, CutsAtEveryCommaKeepingPieces) {
    auto pieces = velmo::split_recipients("amy, Bob <bob.box>,");
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0], "amy");
    EXPECT_EQ(pieces[1], " Bob <bob.box>");
    EXPECT_EQ(pieces[2], "");
    EXPECT_TRUE(velmo::split_recipients("").empty());
    EXPECT_EQ(velmo::split_recipients("\"Lee, Ann\" <a>").size(), 2u);  // quotes are not respected
}

}  // namespace
