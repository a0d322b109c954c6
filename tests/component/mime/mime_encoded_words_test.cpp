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
        WordsRow{"UsAsciiWithEightBitBytesKeepsThem", "=?us-ascii?Q?a=E9b?=", "a\xe9" "b"}),
    row_name);

TEST(EncodedWords, HostileRunsOfOpenersStayLinear) {
    std::string text;
    for (int i = 0; i < 200000; ++i) text += "=?a";
    std::string more;
    for (int i = 0; i < 100000; ++i) more += "=?utf-8?Q?x";
    EXPECT_EQ(velmo::DecodeWords(text), text);
    EXPECT_EQ(velmo::DecodeWords(more), more);
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
                    CharsetRow{"InvalidBytesKept", "a\xff" "b\xe9", "us-ascii", "a\xff" "b\xe9"},
                    CharsetRow{"ShiftJis", "\x82\xa0", "shift_jis", "\xe3\x81\x82"},
                    CharsetRow{"Utf16WithBom", std::string("\xff\xfe" "A\0", 4), "utf-16", "A"},
                    CharsetRow{"IncompleteMultibyteAtEnd", "a\x82", "shift_jis", "a\x82"}),
    charset_name);

}  // namespace
