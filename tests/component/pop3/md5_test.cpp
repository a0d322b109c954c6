// MD5 against the test suite of RFC 1321 (appendix A.5) and the APOP example of RFC 1939.
#include <gtest/gtest.h>

#include <string>

#include "pop3/md5.h"

namespace {

struct Md5Row {
    const char* name;
    std::string input;
    const char* digest;
};

class Md5Suite : public testing::TestWithParam<Md5Row> {};

TEST_P(Md5Suite, OneCallGivesTheDigest) {
    EXPECT_EQ(velmo::md5_hex(GetParam().input), GetParam().digest);
}

// Block edges are where padding goes wrong: feed the same text one byte at a time.
TEST_P(Md5Suite, ByteWiseUpdatesGiveTheSameDigest) {
    velmo::Md5 md5;
    for (char c : GetParam().input) md5.update(std::string_view(&c, 1));
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (auto b : md5.finish()) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    EXPECT_EQ(hex, GetParam().digest);
}

INSTANTIATE_TEST_SUITE_P(
    Rfc1321, Md5Suite,
    testing::Values(
        Md5Row{"empty", "", "d41d8cd98f00b204e9800998ecf8427e"},
        Md5Row{"a", "a", "0cc175b9c0f1b6a831c399e269772661"},
        Md5Row{"abc", "abc", "900150983cd24fb0d6963f7d28e17f72"},
        Md5Row{"message_digest", "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        Md5Row{"alphabet", "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        Md5Row{"alphanumeric", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
               "d174ab98d277d9f5a5611c2c9f419d9f"},
        Md5Row{"digits_80",
               "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
               "57edf4a22be3c955ac49da2e2107b67a"},
        // Lengths around the 56-byte padding boundary and a full block.
        Md5Row{"len55", std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
        Md5Row{"len56", std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
        Md5Row{"len64", std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
        Md5Row{"apop_rfc1939", "<1896.697170952@dbc.mtview.ca.us>tanstaaf",
               "c4c9334bac560ecc979e58001b3e22fb"},
        Md5Row{"high_bytes", std::string("\xff\x80\x00\x7f", 4), "f5a2d8b473a77f549ce577d866ec9506"},
        Md5Row{"million_a", std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"}),
    [](const testing::TestParamInfo<Md5Row>& info) { return info.param.name; });

}  // namespace
