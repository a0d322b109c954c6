// Loopback helpers: the refused port, the port whose connect never completes, address texts.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "net/loopback.h"

namespace halvex::testnet {
namespace {

using namespace std::chrono_literals;

class LoopbackFamilies : public ::testing::TestWithParam<Family> {};

TEST_P(LoopbackFamilies, RefusedPortRefuses) {
    RefusedPort refused(GetParam());
    int e = 0;
    EXPECT_FALSE(connect_loopback(GetParam(), refused.port(), 2s, &e));
    EXPECT_EQ(e, ECONNREFUSED);
}

TEST_P(LoopbackFamilies, UnansweredPortNeverCompletesTheConnect) {
    UnansweredPort port(GetParam());
    auto before = std::chrono::steady_clock::now();
    int e = 0;
    EXPECT_FALSE(connect_loopback(GetParam(), port.port(), 400ms, &e));
    EXPECT_EQ(e, ETIMEDOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - before, 350ms);
}

INSTANTIATE_TEST_SUITE_P(Both, LoopbackFamilies, ::testing::Values(Family::v4, Family::v6),
                         [](const auto& info) { return info.param == Family::v4 ? "ipv4" : "ipv6"; });

TEST(Loopback, HostPortTextsBracketIpv6) {
    EXPECT_EQ(host_port(Family::v4, 110), "127.0.0.1:110");
    EXPECT_EQ(host_port(Family::v6, 995), "[::1]:995");
}

}  // namespace
}  // namespace halvex::testnet
