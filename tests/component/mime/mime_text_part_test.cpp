// Decoding one part: body text by transfer encoding and charset, attachment bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/text.h"
#include "mime/text_part.h"

namespace {

struct PartRow {
    const char* name;
    std::string part;
    std::string expected;
};
std::string row_name(const testing::TestParamInfo<PartRow>& info) { return info.param.name; }

class DecodeTextPartRows : public testing::TestWithParam<PartRow> {};
TEST_P(DecodeTextPartRows, GivesTheBodyText) {
    EXPECT_EQ(velmo::DecodeTextPart(GetParam().part), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    TextParts, DecodeTextPartRows,
    testing::Values(
        PartRow{"Base64QuotedUtf8", "\r\nContent-Type: text/plain; charset=\"UTF-8\"\r\nContent-Transfer-Encoding: BASE64\r\n\r\nQ2Fmw6k=",
                "Caf\xc3\xa9"},
        PartRow{"QuotedPrintableLatin1",
                "\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                "Caf=E9=\r\n au lait",
                "Caf\xc3\xa9 au lait"},
        // An unquoted charset followed by another parameter is still recognised.
        PartRow{"UnquotedCharsetBeforeFormat",
                "\r\nContent-Type: text/plain; charset=iso-8859-1; format=flowed\r\n\r\ncaf\xe9", "caf\xc3\xa9"},
        PartRow{"SevenBitUnchanged", "\r\nContent-Transfer-Encoding: 7bit\r\n\r\nplain =41 text", "plain =41 text"},
        PartRow{"EncodingTrimmed", "\r\nContent-Transfer-Encoding:  base64 \r\n\r\nSGk=", "Hi"},
        PartRow{"NoBlankLineNoBody", "\r\nContent-Type: text/plain", ""},
        PartRow{"WholeMessageFromItsFirstLine",
                "Content-Transfer-Encoding: quoted-printable\r\nSubject: x\r\n\r\na=3Db", "a=b"},
        PartRow{"DecodedTextEndsAtNul", "\r\nContent-Transfer-Encoding: base64\r\n\r\nYQBi", "a"},
        PartRow{"UnderscoresStayInBodies", "\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\na_b", "a_b"}),
    row_name);

// The same part read from a file and given as a string: the string is what the interface makes
// of the bytes (UTF-8 kept, any other byte read as Windows-1252), so its 8-bit text is UTF-8
// already and must not be converted again, while what is still in the charset (escapes,
// base64, a 7-bit charset's shifts) is.
struct OriginRow {
    const char* name;
    std::string part;  // the bytes as they arrived
    std::string expected;
};
std::string origin_row_name(const testing::TestParamInfo<OriginRow>& info) { return info.param.name; }

class BothOrigins : public testing::TestWithParam<OriginRow> {};
TEST_P(BothOrigins, ReadTheSame) {
    const std::string& bytes = GetParam().part;
    const std::string as_string = velmo::utf16_to_utf8(velmo::utf8_to_utf16(bytes));
    EXPECT_EQ(velmo::DecodeTextPart(bytes, velmo::TextOrigin::Bytes), GetParam().expected);
    EXPECT_EQ(velmo::DecodeTextPart(as_string, velmo::TextOrigin::Unicode), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    TextParts, BothOrigins,
    testing::Values(
        OriginRow{"EightBitLatin1", "\r\nContent-Type: text/plain; charset=iso-8859-1\r\n\r\ncaf\xe9 \x93ok\x94",
                  "caf\xc3\xa9 \xe2\x80\x9cok\xe2\x80\x9d"},
        OriginRow{"QuotedPrintableEscapesAndRawLatin1",
                  "\r\nContent-Type: text/plain; charset=\"latin1\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                  "caf=E9 cr\xe8me=\r\n br=FBl=E9e",
                  "caf\xc3\xa9 cr\xc3\xa8me br\xc3\xbbl\xc3\xa9" "e"},
        OriginRow{"Base64Latin1", "\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: base64"
                  "\r\n\r\nY2Fm6Q==",
                  "caf\xc3\xa9"},
        OriginRow{"EightBitUtf8", "\r\nContent-Type: text/plain; charset=utf-8\r\n\r\ncaf\xc3\xa9", "caf\xc3\xa9"},
        OriginRow{"SevenBitJapaneseShifts",
                  "\r\nContent-Type: text/plain; charset=iso-2022-jp\r\n\r\n\x1b$B$\"\x1b(B ok", "\xe3\x81\x82 ok"},
        OriginRow{"DecodedNulEndsTheText",
                  "\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
                  "a=00b \xe9",
                  "a"}),
    origin_row_name);

std::string data_of(const std::string& part) {
    std::vector<unsigned char> bytes = velmo::DecodePartData(part);
    return std::string(bytes.begin(), bytes.end());
}

class DecodePartDataRows : public testing::TestWithParam<PartRow> {};
TEST_P(DecodePartDataRows, GivesTheExactBytes) { EXPECT_EQ(data_of(GetParam().part), GetParam().expected); }
INSTANTIATE_TEST_SUITE_P(
    AttachmentParts, DecodePartDataRows,
    testing::Values(
        PartRow{"SevenBitExactBytes", "\r\nContent-Transfer-Encoding: 7bit\r\n\r\nline =41\r\n\xff\r\n\r\n", "line =41\r\n\xff\r\n\r\n"},
        PartRow{"Base64KeepsZeros", "\r\nContent-Transfer-Encoding: base64\r\n\r\nAGEAYgA=", std::string("\0a\0b\0", 5)},
        PartRow{"QuotedPrintable", "\r\nContent-Transfer-Encoding: Quoted-Printable\r\n\r\n=00=FF", std::string("\0\xff", 2)},
        PartRow{"UuencodeWithBeginAndEnd",
                "\r\nContent-Transfer-Encoding: x-uuencode\r\n\r\nbegin 644 a.txt\r\n#86)C\r\n`\r\nend\r\n", "abc"},
        PartRow{"UueShortName", "\r\nContent-Transfer-Encoding: UUE\r\n\r\nbegin 644 a.txt\r\n#86)C\r\n", "abc"},
        // The synthetic part of a uuencoded block ends before the grave accent of its end mark.
        PartRow{"SyntheticUuencodePart",
                "\r\nContent-Type: application/octet-stream;\t\r\nname=\"n.txt\"\r\nContent-Transfer-Encoding: uuencode"
                "\r\n\r\nbegin 644 n.txt\r\n&:&D@=&AE\r\n",
                "hi the"},
        PartRow{"UuencodedZerosKept", "\r\nContent-Transfer-Encoding: uue\r\n\r\nbegin 644 z\r\n$`_``````\r\n`\r\nend\r\n",
                std::string("\x03\xf0\x00\x00", 4)},
        PartRow{"UnknownEncodingCopied", "\r\nContent-Transfer-Encoding: x-token\r\n\r\nSGk=", "SGk="}),
    row_name);

}  // namespace
