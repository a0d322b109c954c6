// The transfer decoders: base64, quoted-printable and uudecode, each over byte spans.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mime/base64.h"
#include "mime/quoted_printable.h"
#include "mime/uudecode.h"

namespace {

using velmo::as_bytes;

std::string counted(const velmo::DecodedBytes& d) {
    return std::string(reinterpret_cast<const char*>(d.buffer.data()), d.count);
}

struct DecodeRow {
    const char* name;
    std::string input;
    std::string expected;  // the counted bytes
};
std::string row_name(const testing::TestParamInfo<DecodeRow>& info) { return info.param.name; }

class Base64Rows : public testing::TestWithParam<DecodeRow> {};
TEST_P(Base64Rows, DecodesTheCountedBytes) {
    velmo::DecodedBytes d = velmo::Base64Decode(as_bytes(GetParam().input));
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(counted(d), GetParam().expected);
    EXPECT_EQ(d.buffer.size(), GetParam().input.size() * 3 / 4 + 1);
}
INSTANTIATE_TEST_SUITE_P(
    Base64, Base64Rows,
    testing::Values(DecodeRow{"LineBreakInside", "SGVs\r\nbG8=", "Hello"},
                    DecodeRow{"NoPadding", "SGVsbG8", "Hello"},
                    DecodeRow{"EqualsEndsDecoding", "SGk=ignored", "Hi"},
                    DecodeRow{"SkipsPunctuationAndSpaces", "S G-V*s!b\tG8", "Hello"},
                    DecodeRow{"AllSixtyFourValues", "+/+/", "\xfb\xff\xbf"},
                    DecodeRow{"Empty", "", ""},
                    DecodeRow{"OnlyPadding", "====", ""},
                    DecodeRow{"HighBytesSkipped", "SG\xc3\xa9Vs", "Hel"}),
    row_name);

TEST(Base64, StoresTheBitsOfAnIncompleteByteUncounted) {
    // "SGk" is 18 bits: two bytes and two bits; "SGl" leaves the bits 01 -> 0x40.
    velmo::DecodedBytes d = velmo::Base64Decode(as_bytes("SGl"));
    EXPECT_EQ(d.count, 2u);
    EXPECT_EQ(d.as_text(), "Hi\x40");
    velmo::DecodedBytes clean = velmo::Base64Decode(as_bytes("SGk"));
    EXPECT_EQ(clean.as_text(), "Hi");
}

// The bit-by-bit reading of the decoding rules, to hold the fast four-character path to.
std::vector<unsigned char> base64_by_the_rules(const std::string& in) {
    std::vector<unsigned char> out(in.size() * 3 / 4 + 1, 0);
    std::size_t count = 0;
    unsigned acc = 0;
    int bits = 0;
    for (unsigned char c : in) {
        int v = c >= 'A' && c <= 'Z' ? c - 'A' : c >= 'a' && c <= 'z' ? c - 'a' + 26 : c >= '0' && c <= '9' ? c - '0' + 52
              : c == '+' ? 62 : c == '/' ? 63 : c == '=' ? -2 : -1;
        if (v == -1) continue;
        if (v == -2) break;
        acc = (acc << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out[count++] = static_cast<unsigned char>(acc >> bits);
        }
    }
    if (bits > 0) out[count] = static_cast<unsigned char>(acc << (8 - bits));
    out.push_back(static_cast<unsigned char>(count));  // the count travels at the end
    return out;
}

TEST(Base64, FastPathAgreesWithTheRulesOnMixedInput) {
    // Alphabet runs broken at every offset by line breaks, junk, blanks and a late "=".
    const std::string pieces[] = {"QUJD", "ZGVm", "Zw", "\r\n", " ", "*", "\xC3\xA9", "+/", "x", "==", "\t"};
    unsigned seed = 7;
    for (int round = 0; round < 3000; ++round) {
        std::string in;
        const int n = static_cast<int>(seed % 40);
        for (int i = 0; i < n; ++i) {
            seed = seed * 1103515245u + 12345u;
            const std::size_t pick = (seed >> 16) % std::size(pieces);
            if (pieces[pick] == "==" && (seed >> 8) % 4 != 0) continue;  // padding only now and then
            in += pieces[pick];
        }
        seed = seed * 1103515245u + 12345u;
        velmo::DecodedBytes got = velmo::Base64Decode(velmo::as_bytes(in));
        std::vector<unsigned char> mine = got.buffer;
        mine.push_back(static_cast<unsigned char>(got.count));
        ASSERT_EQ(mine, base64_by_the_rules(in)) << "input '" << in << "'";
    }
}

TEST(Base64, ReadsNothingPastASpanCutFromALongerText) {
    std::string text = "SGVsbG8gd29ybGQ=";
    velmo::DecodedBytes d = velmo::Base64Decode(as_bytes(text).first(4));
    EXPECT_EQ(counted(d), "Hel");
}

class QpRows : public testing::TestWithParam<DecodeRow> {};
TEST_P(QpRows, DecodesTheCountedBytes) {
    velmo::DecodedBytes d = velmo::QpDecode(as_bytes(GetParam().input));
    EXPECT_EQ(counted(d), GetParam().expected);
    EXPECT_EQ(d.buffer.size(), GetParam().input.size() + 1);
}
INSTANTIATE_TEST_SUITE_P(
    QuotedPrintable, QpRows,
    testing::Values(DecodeRow{"EscapedEquals", "a=3Db", "a=b"},
                    DecodeRow{"SoftLineBreak", "line=\r\nnext", "linenext"},
                    DecodeRow{"UnderscoreStays", "a_b", "a_b"},
                    DecodeRow{"LowerCaseDigits", "=e9=E9", "\xe9\xe9"},
                    DecodeRow{"BothDigitsInvalid", "=XY", "\xfe"},
                    DecodeRow{"EqualsDigitIsFF", "==41", "\xf4" "1"},
                    DecodeRow{"EqualsLineFeedIsNoSoftBreak", "a=\nb", "a\xeb"},
                    DecodeRow{"EqualsLastByte", "ab=", "ab\xfe"},
                    DecodeRow{"EqualsOneDigitLeft", "ab=4", "ab\xfe"},
                    DecodeRow{"SoftBreakAtTheVeryEnd", "ab=\r", "ab"},
                    DecodeRow{"Empty", "", ""}),
    row_name);

TEST(QuotedPrintable, LeavesAZeroAfterTheDecodedBytes) {
    velmo::DecodedBytes d = velmo::QpDecode(as_bytes("abc"));
    ASSERT_EQ(d.count, 3u);
    EXPECT_EQ(d.buffer[3], 0);
}

std::string uudecode(const std::string& lines) {
    std::vector<unsigned char> out((lines.size() + 3) / 4 * 3 + 1);
    out.resize(velmo::UuDecode(as_bytes(lines), out));
    return std::string(out.begin(), out.end());
}

class UuRows : public testing::TestWithParam<DecodeRow> {};
TEST_P(UuRows, DecodesExactlyTheBytesOfEachLine) { EXPECT_EQ(uudecode(GetParam().input), GetParam().expected); }
INSTANTIATE_TEST_SUITE_P(
    Uudecode, UuRows,
    testing::Values(
        // A length that is a multiple of three keeps its last byte.
        DecodeRow{"ThreeBytes", "#86)C\r\n", "abc"},
        DecodeRow{"TwoBytesWithFill", "\"86(`\r\n", "ab"},
        DecodeRow{"TwoLines", "#86)C\r\n#9&5F\r\n", "abcdef"},
        DecodeRow{"EndsAtZeroLengthLine", "#86)C\r\n`\r\n#9&5F\r\n", "abc"},
        DecodeRow{"EndsAtEndLine", "#86)C\r\nend\r\n#9&5F\r\n", "abc"},
        DecodeRow{"BareLineFeeds", "#86)C\n#9&5F\n", "abcdef"},
        DecodeRow{"NoFinalLineEnd", "#86)C", "abc"},
        DecodeRow{"GroupCutShortByTheEnd", "#86)", "ab@"},
        DecodeRow{"SpacesBetweenLinesSkipped", "  #86)C\r\n \r\n#9&5F", "abcdef"},
        DecodeRow{"BinaryWithZeros", "$`_``````\r\n", std::string("\x03\xf0\x00\x00", 4)},
        DecodeRow{"LoneCarriageReturnAtEnd", "#86)C\r", "abc"},
        DecodeRow{"OnlyEnd", "end", ""}),
    row_name);

TEST(Uudecode, MissingInputOrOutputGivesZero) {
    std::vector<unsigned char> out(8);
    EXPECT_EQ(velmo::UuDecode({}, out), 0u);
    EXPECT_EQ(velmo::UuDecode(as_bytes("#86)C"), {}), 0u);
}

TEST(Uudecode, NeverWritesPastTheOutput) {
    // Lines that claim more bytes than their characters hold cannot overrun a small buffer.
    std::string hostile;
    for (int i = 0; i < 100; ++i) hostile += "~a\r\n";
    std::vector<unsigned char> out(5, 0xAA);
    std::span<unsigned char> first(out.data(), 4);
    EXPECT_EQ(velmo::UuDecode(as_bytes(hostile), first), 4u);
    EXPECT_EQ(out[4], 0xAA);
}

TEST(Uudecode, RoundTripsEveryByteValue) {
    std::string data;
    for (int i = 0; i < 256; ++i) data.push_back(static_cast<char>(i));
    data += "xy";  // 258 bytes: the last line holds 33, not a multiple of 45
    std::string encoded;
    auto enc = [](unsigned v) { return static_cast<char>(v == 0 ? 0x60 : v + 32); };
    for (std::size_t at = 0; at < data.size(); at += 45) {
        std::size_t n = std::min<std::size_t>(45, data.size() - at);
        encoded.push_back(enc(static_cast<unsigned>(n)));
        for (std::size_t g = 0; g < n; g += 3) {
            unsigned char b[3] = {0, 0, 0};
            for (std::size_t k = 0; k < 3 && g + k < n; ++k) b[k] = static_cast<unsigned char>(data[at + g + k]);
            encoded.push_back(enc(b[0] >> 2));
            encoded.push_back(enc(((b[0] & 3) << 4) | (b[1] >> 4)));
            encoded.push_back(enc(((b[1] & 15) << 2) | (b[2] >> 6)));
            encoded.push_back(enc(b[2] & 63));
        }
        encoded += "\r\n";
    }
    encoded += "`\r\n";
    EXPECT_EQ(uudecode(encoded), data);
}

}  // namespace
