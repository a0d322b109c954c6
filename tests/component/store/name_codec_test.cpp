// Message file names: base64 of the identifier plus ".eml", and the lenient way back.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "store/name_codec.h"

namespace {

using namespace std::string_literals;
using velmo::store::base64_decode_name;
using velmo::store::base64_encode;
using velmo::store::is_message_file_name;
using velmo::store::message_file_name;
using velmo::store::message_id_from_file_name;

struct Vector {
    const char* name;
    std::string bytes;
    std::string encoded;
};
void PrintTo(const Vector& row, std::ostream* os) { *os << row.name; }

class Base64Vectors : public testing::TestWithParam<Vector> {};

TEST_P(Base64Vectors, EncodesAndListsBack) {
    const Vector& v = GetParam();
    EXPECT_EQ(base64_encode(v.bytes), v.encoded);
    EXPECT_EQ(message_file_name(v.bytes), v.encoded + ".eml");
    EXPECT_EQ(message_id_from_file_name(v.encoded + ".eml"), v.bytes);
}

const Vector kVectors[] = {
    // RFC 4648 section 10.
    {"Empty", "", ""},
    {"F", "f", "Zg=="},
    {"Fo", "fo", "Zm8="},
    {"Foo", "foo", "Zm9v"},
    {"Foob", "foob", "Zm9vYg=="},
    {"Fooba", "fooba", "Zm9vYmE="},
    {"Foobar", "foobar", "Zm9vYmFy"},
    // The store's own examples.
    {"Abc", "abc", "YWJj"},
    {"A", "a", "YQ=="},
    {"Utf8Identifier",
     "Gr\xC3\xBC\xC3\x9F"
     "e",
     "R3LDvMOfZQ=="},
    {"MessageIdWithBrackets", "<1234@example.org>", "PDEyMzRAZXhhbXBsZS5vcmc+"},
    {"AllHighBits", "\xFF\xFF\xFF", "////"},
};

INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64Vectors, testing::ValuesIn(kVectors),
                         [](const testing::TestParamInfo<Vector>& info) { return info.param.name; });

TEST(Base64Names, EveryByteStringWithoutNulRoundTrips) {
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::string id(rng() % 40, '\0');
        for (char& c : id) c = static_cast<char>(1 + rng() % 255);
        ASSERT_EQ(message_id_from_file_name(message_file_name(id)), id) << "round " << round;
    }
}

TEST(Base64Names, DecoderReadsHighBitCharactersAsTheirPlainForm) {
    std::string plain = "YWJj";
    std::string high;
    for (char c : plain) high += static_cast<char>(static_cast<unsigned char>(c) | 0x80);
    EXPECT_EQ(base64_decode_name(high), base64_decode_name(plain));
    EXPECT_EQ(base64_decode_name("\xBD\xBD"s), base64_decode_name("=="));
}

TEST(Base64Names, ShortFinalGroupIsCompletedWithZeroBits) {
    EXPECT_EQ(base64_decode_name("YQ"), "a\0\0"s);
    EXPECT_EQ(base64_decode_name("YWJjZA"), "abcd\0\0"s);
}

TEST(Base64Names, IdentifierEndsAtTheFirstNul) {
    // "YQBi" is 'a', NUL, 'b'.
    EXPECT_EQ(message_id_from_file_name("YQBi.eml"), "a");
}

TEST(Base64Names, IdentifierIsTakenUpToTheLastDot) {
    EXPECT_EQ(message_id_from_file_name("YWJj.eml"), "abc");
    EXPECT_EQ(message_id_from_file_name(".eml"), "");
    // 'x.eml.bak' counts as a message file; its name up to the last "." is decoded.
    EXPECT_EQ(message_id_from_file_name("YWJj.eml.bak"), message_id_from_file_name("YWJj.eml.x"));
}

TEST(Base64Names, ForeignNamesGiveSomeIdentifierWithoutFailing) {
    for (std::string name : {"notes.eml"s, "!!!!.eml"s, "a b c.eml"s, "\x01\x02.eml"s, "eml"s}) {
        std::string id = message_id_from_file_name(name);
        EXPECT_EQ(id.find('\0'), std::string::npos) << name;
    }
}

struct Listed {
    const char* name;
    const char* file;
    bool counts;
};
void PrintTo(const Listed& row, std::ostream* os) { *os << row.name; }

class MessageFileNames : public testing::TestWithParam<Listed> {};

TEST_P(MessageFileNames, CountWhenTheyHoldDotEmlExactly) {
    EXPECT_EQ(is_message_file_name(GetParam().file), GetParam().counts);
}

const Listed kListed[] = {
    {"Plain", "YWJj.eml", true},
    {"Backup", "x.eml.bak", true},
    {"UpperCase", "X.EML", false},
    {"OtherExtension", "notes.txt", false},
    {"NoDot", "xeml", false},
    {"EmptyIdentifier", ".eml", true},
    {"TemporarySaveFile", ".~AbC123", false},
};

INSTANTIATE_TEST_SUITE_P(Listing, MessageFileNames, testing::ValuesIn(kListed),
                         [](const testing::TestParamInfo<Listed>& info) { return info.param.name; });

}  // namespace
