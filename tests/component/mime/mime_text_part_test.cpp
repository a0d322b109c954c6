// Decoding one part: body text by transfer encoding and charset, attachment bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
