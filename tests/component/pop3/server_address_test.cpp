// Server texts: which host is resolved and which port is reached.
#include <gtest/gtest.h>

#include <string>

#include "pop3/server_address.h"

namespace {

struct AddressRow {
    const char* name;
    const char* text;
    const char* host;
    int port;
    bool port_given;
};

class ServerAddressTable : public testing::TestWithParam<AddressRow> {};

TEST_P(ServerAddressTable, SplitsHostAndPort) {
    const AddressRow& row = GetParam();
    velmo::ServerAddress a = velmo::parse_server_address(row.text, 110);
    EXPECT_EQ(a.host, row.host);
    EXPECT_EQ(a.port, row.port);
    EXPECT_EQ(a.port_given, row.port_given);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ServerAddressTable,
    testing::Values(
        AddressRow{"host_name", "mail.example.org", "mail.example.org", 110, false},
        AddressRow{"dotted_v4", "127.0.0.1", "127.0.0.1", 110, false},
        AddressRow{"host_port", "mail.example.org:995", "mail.example.org", 995, true},
        AddressRow{"v4_port", "127.0.0.1:1100", "127.0.0.1", 1100, true},
        AddressRow{"bracketed_v6_port", "[::1]:2110", "::1", 2110, true},
        AddressRow{"bracketed_v6_alone", "[fe80::1]", "fe80::1", 110, false},
        AddressRow{"bare_v6", "::1", "::1", 110, false},
        AddressRow{"bare_v6_ending_in_digits", "2001:db8::110", "2001:db8::110", 110, false},
        AddressRow{"highest_port", "h:65535", "h", 65535, true},
        // Not a port: the text stays whole, so it fails to resolve instead of reaching port 110.
        AddressRow{"port_zero", "h:0", "h:0", 110, false},
        AddressRow{"port_too_big", "h:65536", "h:65536", 110, false},
        AddressRow{"port_not_digits", "h:pop3", "h:pop3", 110, false},
        AddressRow{"empty_port", "h:", "h:", 110, false},
        AddressRow{"signed_port", "h:+110", "h:+110", 110, false},
        AddressRow{"unclosed_bracket", "[::1:110", "[::1:110", 110, false},
        AddressRow{"junk_after_bracket", "[::1]x110", "[::1]x110", 110, false},
        AddressRow{"empty", "", "", 110, false}),
    [](const testing::TestParamInfo<AddressRow>& info) { return info.param.name; });

TEST(ServerAddress, FallbackPortIsTheObjectsPort) {
    EXPECT_EQ(velmo::parse_server_address("mail", 2525).port, 2525);
    EXPECT_EQ(velmo::parse_server_address("mail:26", 2525).port, 26);
}

}  // namespace
