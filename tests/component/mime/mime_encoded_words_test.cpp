// Encoded words in header texts and the charset conversion behind them and behind text bodies.
#include <gtest/gtest.h>

#include <string>

#include "mime/charset.h"
#include "mime/encoded_words.h"

namespace {

struct WordsRow {
    const char* name;
    std::string input;
    std::string expected;  // UTF-8
};
std::string row_name(const testing::TestParamInfo<WordsRow>& info) { return info.param.name; }

class DecodeWordsRows : public testing::TestWithParam<WordsRow> {};
TEST_P(DecodeWordsRows, Decodes) { EXPECT_EQ(velmo::DecodeWords(GetParam().input), GetParam().expected); }
INSTANTIATE_TEST_SUITE_P(
    EncodedWords, DecodeWordsRows,
    testing::Values(
        WordsRow{"LatinQWordConverted", "Re: =?iso-8859-1?Q?Caf=E9?=", "Re: Caf\xc3\xa9"},
        WordsRow{"Base64WordThenText", "=?utf-8?B?SGVsbG8=?= world", "Hello world"},
        WordsRow{"NoEncoding", "no encoding here", "no encoding here"},
        WordsRow{"UnclosedWord", "=?broken", "=?broken"},
        WordsRow{"LowerCaseMarkers", "=?UTF-8?b?SGk=?= and =?utf-8?q?ho?=", "Hi and ho"},
        // Every base64 word comes out, not only the first, and the space between goes.
        WordsRow{"AdjacentBase64Words", "=?utf-8?B?SGVs?= =?utf-8?B?bG8=?=", "Hello"},
        WordsRow{"AdjacentWordsAcrossFolding", "=?utf-8?Q?a?=\t  =?utf-8?Q?b?=", "ab"},
        WordsRow{"TextBetweenWordsKept", "=?utf-8?Q?a?= - =?utf-8?Q?b?=", "a - b"},
        WordsRow{"UnderscoreIsSpaceInQ", "=?utf-8?Q?a_b=5Fc?=", "a b_c"},
        WordsRow{"UnderscoreStaysInB", "=?utf-8?B?YV9i?=", "a_b"},
        WordsRow{"UnderscoreStaysOutside", "x_y =?utf-8?Q?z?=", "x_y z"},
        WordsRow{"MixedCharsets", "=?iso-8859-2?Q?=B1?= =?koi8-r?B?wQ==?= =?windows-1252?Q?=80?=",
                 "\xc4\x85\xd0\xb0\xe2\x82\xac"},
        WordsRow{"UnknownCharsetKeepsBytes", "=?x-nonsense?Q?Caf=E9?=", "Caf\xe9"},
        WordsRow{"UnknownEncodingStaysAsWritten", "=?utf-8?X?abc?= tail", "=?utf-8?X?abc?= tail"},
        WordsRow{"EmptyCharsetStaysAsWritten", "=??Q?abc?=", "=??Q?abc?="},
        WordsRow{"MalformedThenGood", "=?bad =?utf-8?Q?ok?=", "=?bad ok"},
        WordsRow{"SpaceAfterMalformedKept", "=?utf-8?Q?a?= =?utf-8?Z?b?=", "a =?utf-8?Z?b?="},
        WordsRow{"LanguageSuffixInCharset", "=?iso-8859-1*fr?Q?=E9t=E9?=", "\xc3\xa9t\xc3\xa9"},
        WordsRow{"WordDecodingToNulIsCut", "=?utf-8?B?YQBi?= end", "a end"},
        WordsRow{"EmptyPayload", "x=?utf-8?Q?" "?=y", "xy"},
        WordsRow{"EncodedQuestionMark", "=?utf-8?Q?why=3F?=", "why?"},
        WordsRow{"Utf8BytesLeftAlone", "=?utf-8?Q?=E9?=", "\xe9"},
        // Mail's Latin-1 and US-ASCII are Windows-1252: 0x80-0x9F are quotes, dashes, the euro.
        WordsRow{"UsAsciiEightBitBytesReadAsWindows1252", "=?us-ascii?Q?a=E9b?=", "a\xc3\xa9" "b"},
        WordsRow{"Latin1QuotesAndEuro", "=?iso-8859-1?Q?=93hi=94_=80?=", "\xe2\x80\x9chi\xe2\x80\x9d \xe2\x82\xac"},
        // A converter used again starts afresh: a word left in a shift state does not change
        // how the next word of the same charset reads.
        WordsRow{"StatefulCharsetResetBetweenWords", "=?iso-2022-jp?B?GyRCJCI=?= =?iso-2022-jp?Q?abc?=",
                 "\xe3\x81\x82" "abc"}),
    row_name);

TEST(EncodedWords, HostileRunsOfOpenersStayLinear) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "=?a";
    std::string more;
    for (int i = 0; i < 100000; ++i) more += "=?utf-8?Q?x";
    EXPECT_EQ(velmo::DecodeWords(text), text);
    EXPECT_EQ(velmo::DecodeWords(more), more);
}

// A header that cycles through more charsets than a small cache of converters would hold, three
// times over: every word reads in its own charset, also when its converter is reused.
TEST(EncodedWords, ManyCharsetsCycledEachWordInItsOwnCharset) {
    struct Word {
        const char* charset;
        const char* payload;
        const char* expected;
    };
    const Word words[] = {
        {"iso-8859-2", "=A6=B1=DE", "\xc5\x9a\xc4\x85\xc5\xa2"},
        {"iso-8859-3", "=A6=B1=DE", "\xc4\xa4\xc4\xa7\xc5\x9c"},
        {"iso-8859-4", "=A6=B1=DE", "\xc4\xbb\xc4\x85\xc5\xaa"},
        {"iso-8859-5", "=A6=B1=DE", "\xd0\x86\xd0\x91\xd0\xbe"},
        {"iso-8859-7", "=A6=B1=DE", "\xc2\xa6\xc2\xb1\xce\xae"},
        {"iso-8859-9", "=A6=B1=DE", "\xc2\xa6\xc2\xb1\xc5\x9e"},
        {"iso-8859-10", "=A6=B1=DE", "\xc4\xb6\xc4\x85\xc3\x9e"},
        {"iso-8859-13", "=A6=B1=DE", "\xc2\xa6\xc2\xb1\xc5\xbd"},
        {"iso-8859-14", "=A6=B1=DE", "\xe1\xb8\x8a\xe1\xb8\x9f\xc5\xb6"},
        {"iso-8859-15", "=A6=B1=DE", "\xc5\xa0\xc2\xb1\xc3\x9e"},
        {"iso-8859-16", "=A6=B1=DE", "\xc5\xa0\xc2\xb1\xc8\x9a"},
        {"koi8-r", "=A6=B1=DE", "\xe2\x95\x95\xe2\x95\xa0\xd1\x87"},
        {"koi8-u", "=A6=B1=DE", "\xd1\x96\xe2\x95\xa0\xd1\x87"},
        {"windows-1250", "=A6=B1=DE", "\xc2\xa6\xc2\xb1\xc5\xa2"},
        {"windows-1251", "=A6=B1=DE", "\xc2\xa6\xc2\xb1\xd0\xae"},
        {"windows-1253", "=A6=B1=DE", "\xc2\xa6\xc2\xb1\xce\xae"},
        {"windows-1254", "=A6=B1=DE", "\xc2\xa6\xc2\xb1\xc5\x9e"},
        {"windows-1257", "=A6=B1=DE", "\xc2\xa6\xc2\xb1\xc5\xbd"},
        {"cp866", "=A6=B1=DE", "\xd0\xb6\xe2\x96\x92\xe2\x96\x90"},
        {"shift_jis", "=82=A0", "\xe3\x81\x82"},
        {"euc-jp", "=A4=A2", "\xe3\x81\x82"},
        {"gb2312", "=C4=E3", "\xe4\xbd\xa0"},
        {"big5", "=A4=40", "\xe4\xb8\x80"},
        {"euc-kr", "=B0=A1", "\xea\xb0\x80"},
    };
    std::string header, expected;
    for (int round = 0; round < 3; ++round) {
        for (const Word& w : words) {
            header += std::string("=?") + w.charset + "?Q?" + w.payload + "?= | ";
            expected += std::string(w.expected) + " | ";
        }
    }
    EXPECT_EQ(velmo::DecodeWords(header), expected);
}

struct CharsetRow {
    const char* name;
    std::string text;
    std::string charset;
    std::string expected;
};
std::string charset_name(const testing::TestParamInfo<CharsetRow>& info) { return info.param.name; }

class ConvertCharsetRows : public testing::TestWithParam<CharsetRow> {};
TEST_P(ConvertCharsetRows, Converts) {
    EXPECT_EQ(velmo::ConvertCharset(GetParam().text, GetParam().charset), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    Charsets, ConvertCharsetRows,
    testing::Values(CharsetRow{"Latin1", "caf\xe9", "iso-8859-1", "caf\xc3\xa9"},
                    CharsetRow{"NameCaseIgnored", "caf\xe9", "ISO-8859-1", "caf\xc3\xa9"},
                    CharsetRow{"NameEndsAtSemicolon", "caf\xe9", "latin1; format=flowed", "caf\xc3\xa9"},
                    CharsetRow{"NameEndsAtSpace", "caf\xe9", "latin1 x", "caf\xc3\xa9"},
                    CharsetRow{"TrailingBlanks", "caf\xe9", "latin1  \t", "caf\xc3\xa9"},
                    CharsetRow{"Windows1252Euro", "\x80", "windows-1252", "\xe2\x82\xac"},
                    CharsetRow{"Utf8Unchanged", "caf\xc3\xa9 \xff", "UTF-8", "caf\xc3\xa9 \xff"},
                    CharsetRow{"NoCharsetUnchanged", "caf\xe9", "", "caf\xe9"},
                    CharsetRow{"UnknownUnchanged", "caf\xe9", "x-unknown-set", "caf\xe9"},
                    CharsetRow{"IconvSuffixIsNoName", "caf\xe9", "latin1//TRANSLIT", "caf\xe9"},
                    CharsetRow{"InvalidBytesKept", "a\xff" "b", "euc-jp", "a\xff" "b"},
                    CharsetRow{"Latin1ControlRangeIsWindows1252", "\x93q\x94 \x96 \x85", "iso-8859-1",
                               "\xe2\x80\x9cq\xe2\x80\x9d \xe2\x80\x93 \xe2\x80\xa6"},
                    CharsetRow{"Latin1AliasesToo", "\x80\xe9", "Latin1", "\xe2\x82\xac\xc3\xa9"},
                    CharsetRow{"UsAsciiEightBitIsWindows1252", "it\x92s \xa3" "5", "US-ASCII",
                               "it\xe2\x80\x99s \xc2\xa3" "5"},
                    // The five bytes Windows-1252 leaves undefined keep their value as code points.
                    CharsetRow{"UndefinedWindows1252BytesKept", "\x81\x8d\x8f\x90\x9d", "windows-1252",
                               "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},
                    CharsetRow{"TrueLatin2StillLatin2", "\xb1", "iso-8859-2", "\xc4\x85"},
                    CharsetRow{"ShiftJis", "\x82\xa0", "shift_jis", "\xe3\x81\x82"},
                    CharsetRow{"Utf16WithBom", std::string("\xff\xfe" "A\0", 4), "utf-16", "A"},
                    CharsetRow{"IncompleteMultibyteAtEnd", "a\x82", "shift_jis", "a\x82"}),
    charset_name);

}  // namespace
