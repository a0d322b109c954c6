// POPMAIN in synchronous mode against the scripted POP3 server: the exact replies and quirks
// a real server does not produce on demand, and the commands the client sends for them.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "popmain_driver.h"

namespace {

namespace tn = halvex::testnet;
using pop3test::Bstr;
using pop3test::PopMainDriver;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

tn::Conversation logged_in() { return tn::Conversation().greet().login("bob", "pw"); }

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(PopMainProperties, DefaultsAndStoredValues) {
    PopMainDriver pop;
    LONG v = -1;
    EXPECT_EQ(pop->get_ServerPort(&v), S_OK);
    EXPECT_EQ(v, 110);
    EXPECT_EQ(pop->get_Timeout(&v), S_OK);
    EXPECT_EQ(v, 30);
    EXPECT_EQ(pop->get_Asynchronous(&v), S_OK);
    EXPECT_EQ(v, 0);
    Bstr log;
    EXPECT_EQ(pop->get_LogFileName(log.out()), S_OK);
    EXPECT_EQ(log.text(), "");
    EXPECT_FALSE(pop.connected());
    Bstr version;
    EXPECT_EQ(pop->get_Version(version.out()), S_OK);
    EXPECT_EQ(version.text(), "Velmo3 COMPONENT BUILD V3.1");

    pop.set_timeout(45);
    EXPECT_EQ(pop->get_Timeout(&v), S_OK);
    EXPECT_EQ(v, 45);
    pop.set_port(2110);
    EXPECT_EQ(pop->get_ServerPort(&v), S_OK);
    EXPECT_EQ(v, 2110);
    pop.set_log("/tmp/some log ü.txt");
    EXPECT_EQ(pop->get_LogFileName(log.out()), S_OK);
    EXPECT_EQ(log.text(), "/tmp/some log ü.txt");
}

TEST(PopMainProperties, AsynchronousTakesOnlyOneAsOn) {
    PopMainDriver pop;
    LONG v = -1;
    for (auto [put, expected] : {std::pair{1, 1}, {-1, 0}, {1, 1}, {2, 0}, {1, 1}, {0, 0}}) {
        EXPECT_EQ(pop->put_Asynchronous(put), S_OK);
        EXPECT_EQ(pop->get_Asynchronous(&v), S_OK);
        EXPECT_EQ(v, expected) << "put " << put;
    }
}

TEST(PopMainProperties, VersionStaysAfterClose) {
    tn::ScriptedPop3Server server(logged_in().quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    pop.close();
    Bstr version;
    EXPECT_EQ(pop->get_Version(version.out()), S_OK);
    EXPECT_EQ(version.text(), "Velmo3 COMPONENT BUILD V3.1");
}

TEST(PopMainLogin, LowerCaseGreetingIsAcceptedAndConnectedIsMinusOne) {
    tn::ScriptedPop3Server server(tn::Conversation().send("+ok hello\r\n").login("bob", "pw").quit());
    PopMainDriver pop;
    EXPECT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    VARIANT_BOOL c = 0;
    EXPECT_EQ(pop->get_Connected(&c), S_OK);
    EXPECT_EQ(c, -1);
    pop.close();
    EXPECT_FALSE(pop.connected());
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "QUIT"}));
}

TEST(PopMainLogin, WrongPasswordQuitsAndFails) {
    tn::ScriptedPop3Server server(
        tn::Conversation().greet().on("USER bob", tn::ok()).on("PASS bad", tn::err("no")).quit());
    PopMainDriver pop;
    EXPECT_EQ(pop.connect(server.address(), "bob", "bad"), 1);
    EXPECT_FALSE(pop.connected());
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS bad", "QUIT"}));
}

TEST(PopMainLogin, CommandsBeforeConnectSendNothingAndFail) {
    PopMainDriver pop;
    EXPECT_FALSE(pop.total());
    EXPECT_FALSE(pop.size(1));
    EXPECT_FALSE(pop.retrieve(1));
    EXPECT_EQ(pop.remove(1), 1);
    EXPECT_EQ(pop->NOOP(), S_OK);
    EXPECT_EQ(pop->Reset(), S_OK);
    pop.close();
    EXPECT_FALSE(pop.connected());
}

// User names and passwords that must never reach the server as they are.
struct CredentialRow {
    const char* name;
    std::string user;
    std::string password;
    Lines sent;  // what the server sees
};

class PopMainRefusedCredential : public testing::TestWithParam<CredentialRow> {};

TEST_P(PopMainRefusedCredential, LoginFailsAfterQuitAndSendsNothingOfIt) {
    const CredentialRow& row = GetParam();
    tn::ScriptedPop3Server server(tn::Conversation().greet().on("USER bob", tn::ok()).expect_any().send(tn::ok()));
    PopMainDriver pop;
    EXPECT_EQ(pop.connect(server.address(), row.user, row.password), 1);
    EXPECT_FALSE(pop.connected());
    ASSERT_TRUE(server.wait_client_closed(0, std::chrono::seconds(5)));
    EXPECT_EQ(server.lines(), row.sent);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PopMainRefusedCredential,
    testing::Values(
        CredentialRow{"user_of_101", std::string(101, 'u'), "pw", {"QUIT"}},
        CredentialRow{"user_with_crlf", "bob\r\nDELE 1", "pw", {"QUIT"}},
        CredentialRow{"user_with_lf", "bob\nDELE 1", "pw", {"QUIT"}},
        CredentialRow{"user_with_nul", std::string("bob\0x", 5), "pw", {"QUIT"}},
        CredentialRow{"password_of_101", "bob", std::string(101, 'p'), {"USER bob", "QUIT"}},
        CredentialRow{"password_with_cr", "bob", "pw\rDELE 1", {"USER bob", "QUIT"}},
        CredentialRow{"password_with_nul", "bob", std::string("pw\0DELE 1", 9), {"USER bob", "QUIT"}}),
    [](const testing::TestParamInfo<CredentialRow>& info) { return info.param.name; });

TEST(PopMainLogin, HundredCharacterCredentialsAreAccepted) {
    std::string user(100, 'u'), password(100, 'p');
    tn::ScriptedPop3Server server(tn::Conversation().greet().login(user, password).quit());
    PopMainDriver pop;
    EXPECT_EQ(pop.connect(server.address(), user, password), 0);
}

TEST(PopMainLogin, FieldsOver259CharactersFailWithoutConnecting) {
    tn::ScriptedPop3Server server(logged_in().quit());
    PopMainDriver pop;
    std::string long_text(260, 'a');
    EXPECT_EQ(pop.connect(server.address(), long_text, "pw"), 1);
    EXPECT_EQ(pop.connect(server.address(), "bob", long_text), 1);
    EXPECT_EQ(pop.secure_connect(server.address(), long_text, "pw"), 1);
    EXPECT_EQ(pop.connect(server.address() + std::string(260, ' '), "bob", "pw"), 1);
    EXPECT_FALSE(pop.connected());
    EXPECT_EQ(server.connection_count(), 0u);
}

TEST(PopMainLogin, OversizedGreetingFailsEvenWithItsLineEnd) {
    tn::ScriptedPop3Server server(tn::Conversation().send("+OK " + std::string(1000, 'g') + "\r\n").quit());
    PopMainDriver pop;
    EXPECT_EQ(pop.connect(server.address(), "bob", "pw"), 1);
    EXPECT_FALSE(pop.connected());
    // QUIT goes out, but its reply is not awaited on a stream that is out of step.
    EXPECT_TRUE(server.wait_for_line("QUIT", tn::Millis(2000)));
    EXPECT_EQ(server.lines(), (Lines{"QUIT"}));
}

TEST(PopMainLogin, ConnectWhileConnectedQuitsTheOldSessionAndDropsItsListing) {
    tn::ScriptedPop3Server server({
        logged_in().on("STAT", tn::stat_reply(1, 10)).on("LIST", tn::list_reply({10})).quit(),
        logged_in().on("STAT", tn::stat_reply(1, 77)).on("LIST", tn::list_reply({77})).quit(),
    });
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.size(1), 10);
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(server.lines(0), (Lines{"USER bob", "PASS pw", "STAT", "LIST", "QUIT"}));
    EXPECT_EQ(pop.size(1), 77);
    pop.close();
    EXPECT_EQ(server.lines(1), (Lines{"USER bob", "PASS pw", "STAT", "LIST", "QUIT"}));
}

TEST(PopMainLogin, ApopSendsTheRfc1939Digest) {
    tn::ScriptedPop3Server server(tn::Conversation()
                                      .greet_apop("<1896.697170952@dbc.mtview.ca.us>")
                                      .on("APOP mrose c4c9334bac560ecc979e58001b3e22fb", tn::ok())
                                      .quit());
    PopMainDriver pop;
    EXPECT_EQ(pop.secure_connect(server.address(), "mrose", "tanstaaf"), 0);
    EXPECT_TRUE(pop.connected());
    pop.close();
    EXPECT_TRUE(server.problems().empty()) << server.problems().front();
}

TEST(PopMainLogin, ApopWithoutTimeStampQuitsWithoutSendingApop) {
    for (const char* greeting : {"+OK ready\r\n", "+OK ready <no end\r\n", "+OK ready > <\r\n"}) {
        tn::ScriptedPop3Server server(tn::Conversation().send(greeting).quit());
        PopMainDriver pop;
        EXPECT_EQ(pop.secure_connect(server.address(), "mrose", "tanstaaf"), 1) << greeting;
        EXPECT_FALSE(pop.connected());
        ASSERT_TRUE(server.wait_client_closed(0, std::chrono::seconds(5)));
        EXPECT_EQ(server.lines(), (Lines{"QUIT"})) << greeting;
    }
}

TEST(PopMainStat, CountAndSizeEachSendTheirOwnStat) {
    tn::ScriptedPop3Server server(
        logged_in().on("STAT", tn::stat_reply(2, 320)).on("STAT", tn::stat_reply(2, 320)).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.total(), 2);
    EXPECT_EQ(pop.total_size(), 320);
    pop.close();
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "STAT", "STAT", "QUIT"}));
}

struct StatRow {
    const char* name;
    std::string reply;
    std::optional<LONG> count;
    std::optional<LONG> size;
};

class PopMainStatReply : public testing::TestWithParam<StatRow> {};

TEST_P(PopMainStatReply, ReadsCountAndSize) {
    const StatRow& row = GetParam();
    tn::ScriptedPop3Server server(logged_in().on("STAT", row.reply).on("STAT", row.reply).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.total(), row.count);
    EXPECT_EQ(pop.total_size(), row.size);
    EXPECT_TRUE(pop.connected()) << "a failed STAT leaves the session standing";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PopMainStatReply,
    testing::Values(
        StatRow{"plain", "+OK 2 320\r\n", 2, 320},
        StatRow{"lower_case_status", "+ok 2 320\r\n", std::nullopt, std::nullopt},
        StatRow{"error", "-ERR locked\r\n", std::nullopt, std::nullopt},
        StatRow{"count_without_size", "+OK 2\r\n", std::nullopt, std::nullopt},
        StatRow{"tabs_and_blanks", "+OK\t 7\t900\r\n", 7, 900},
        StatRow{"empty_mailbox", "+OK 0 0\r\n", 0, 0},
        StatRow{"count_beyond_31_bits_fails", "+OK 99999999999 5\r\n", std::nullopt, std::nullopt},
        StatRow{"size_beyond_32_bits_fails", "+OK 2 4294967296\r\n", std::nullopt, std::nullopt},
        StatRow{"over_100_bytes", "+OK 2 320 " + std::string(95, 'x') + "\r\n", std::nullopt, std::nullopt}),
    [](const testing::TestParamInfo<StatRow>& info) { return info.param.name; });

TEST(PopMainList, SizesComeFromOneStatAndOneList) {
    tn::ScriptedPop3Server server(
        logged_in().on("STAT", tn::stat_reply(3, 600)).on("LIST", tn::list_reply({100, 200, 300})).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.size(0), std::nullopt);
    EXPECT_EQ(pop.size(1), 100);
    EXPECT_EQ(pop.size(2), 200);
    EXPECT_EQ(pop.size(3), 300);
    EXPECT_EQ(pop.size(4), std::nullopt);
    EXPECT_EQ(pop.size(-1), std::nullopt);
    pop.close();
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "STAT", "LIST", "QUIT"}));
}

TEST(PopMainList, EmptyMailboxHasNoSizes) {
    tn::ScriptedPop3Server server(logged_in().on("STAT", tn::stat_reply(0, 0)).on("LIST", tn::list_reply({})).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.size(1), std::nullopt);
}

// A listing line with more numbers than the size: only the first is the size, so the sizes
// stay with their messages (a shifted size would make the size rule delete the wrong mail).
TEST(PopMainList, ExtraNumbersOnALineDoNotShiftLaterSizes) {
    std::string listing = tn::multi_line("+OK", {"1 100 7", "2\t200", "3", "4 400"});
    tn::ScriptedPop3Server server(logged_in().on("STAT", tn::stat_reply(4, 700)).on("LIST", listing).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.size(1), 100);
    EXPECT_EQ(pop.size(2), 200);
    EXPECT_EQ(pop.size(3), std::nullopt);  // no size on its line: never a guessed 0
    EXPECT_EQ(pop.size(4), 400);
}

TEST(PopMainList, ListingOverFourteenBytesPerMessagePlus100Fails) {
    // Count 2: 128 bytes pass, 129 fail.
    auto listing_of = [](std::size_t total) {
        std::string head = "+OK ";
        std::string tail = "\r\n1 10\r\n2 20\r\n.\r\n";
        return head + std::string(total - head.size() - tail.size(), 'x') + tail;
    };
    for (auto [total, ok] : {std::pair{std::size_t(128), true}, {std::size_t(129), false}}) {
        tn::ScriptedPop3Server server(
            logged_in().on("STAT", tn::stat_reply(2, 30)).on("LIST", listing_of(total)).quit());
        PopMainDriver pop;
        ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
        EXPECT_EQ(pop.size(2).has_value(), ok) << total;
    }
}

TEST(PopMainList, DeleteAndResetKeepTheListing) {
    tn::ScriptedPop3Server server(logged_in()
                                      .on("STAT", tn::stat_reply(3, 60))
                                      .on("LIST", tn::list_reply({10, 20, 30}))
                                      .on("DELE 3", tn::ok())
                                      .on("RSET", tn::ok())
                                      .on("DELE 9", tn::err("no such message"))
                                      .quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.remove(3), 0);
    EXPECT_EQ(pop.size(3), 30);
    EXPECT_EQ(pop->Reset(), S_OK);
    EXPECT_EQ(pop.size(3), 30);
    EXPECT_EQ(pop.remove(9), 1);
    EXPECT_TRUE(pop.connected());
    pop.close();
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "STAT", "LIST", "DELE 3", "RSET", "DELE 9", "QUIT"}));
}

TEST(PopMainUidl, IdsByMessageNumberWithMissingOnesEmpty) {
    std::string listing = tn::multi_line("+OK", {"1 AAA", "2", "3 CCC extra"});
    tn::ScriptedPop3Server server(logged_in().on("STAT", tn::stat_reply(4, 40)).on("UIDL", listing).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.id(1), "AAA");
    EXPECT_EQ(pop.id(2), "");
    EXPECT_EQ(pop.id(3), "CCC");
    EXPECT_EQ(pop.id(4), "") << "fewer lines than the count";
    EXPECT_EQ(pop.id(5), std::nullopt);
    EXPECT_EQ(pop.id(0), std::nullopt);
    pop.close();
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "STAT", "UIDL", "QUIT"}));
}

TEST(PopMainUidl, ListingOverHundredBytesPerMessageFails) {
    std::string listing = tn::multi_line("+OK " + std::string(200, 'x'), {"1 AAA"});
    tn::ScriptedPop3Server server(logged_in().on("STAT", tn::stat_reply(1, 40)).on("UIDL", listing).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.id(1), std::nullopt);
}

TEST(PopMainRetrieve, MessageWithoutStatusLineFinalLineEndOrUnstuffing) {
    std::string reply = "+OK 43 octets\r\nSubject: hi\r\n\r\n..leading dot\r\nlast line\r\n.\r\n";
    tn::ScriptedPop3Server server(logged_in()
                                      .on("STAT", tn::stat_reply(1, 43))
                                      .on("LIST", tn::list_reply({43}))
                                      .on("RETR 1", reply)
                                      .quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.retrieve(1), "Subject: hi\r\n\r\n..leading dot\r\nlast line");
    EXPECT_EQ(pop.retrieve(2), std::nullopt) << "outside the listing, nothing is sent";
    pop.close();
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "STAT", "LIST", "RETR 1", "QUIT"}));
}

TEST(PopMainRetrieve, HeaderEndsWithTheLastHeaderLinesLineEnd) {
    std::string reply = "+OK\r\nFrom: a@b\r\nSubject: s\r\n\r\n.\r\n";
    tn::ScriptedPop3Server server(logged_in()
                                      .on("STAT", tn::stat_reply(2, 90))
                                      .on("LIST", tn::list_reply({45, 45}))
                                      .on("TOP 2 0", reply)
                                      .quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.header(2), "From: a@b\r\nSubject: s\r\n");
}

// Chunk boundaries must not matter: one byte per send call, the terminator split every way.
TEST(PopMainRetrieve, ReplyArrivingByteByByteIsReadWhole) {
    std::string message = "Subject: split\r\n\r\nbody line one\r\nbody line two";
    std::string reply = "+OK\r\n" + message + "\r\n.\r\n";
    tn::ScriptedPop3Server server(logged_in()
                                      .on("STAT", tn::stat_reply(1, 10))
                                      .on("LIST", tn::list_reply({10}))
                                      .expect("RETR 1")
                                      .send_chunked(reply, 1, std::chrono::milliseconds(2))
                                      .quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.retrieve(1), message);
}

// A refused RETR fails as soon as its status line is in, not after the timeout.
TEST(PopMainRetrieve, ErrorReplyToRetrFailsAtOnce) {
    tn::ScriptedPop3Server server(logged_in()
                                      .on("STAT", tn::stat_reply(1, 10))
                                      .on("LIST", tn::list_reply({10}))
                                      .on("RETR 1", tn::err("gone"))
                                      .quit());
    PopMainDriver pop;
    pop.set_timeout(1);
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    ASSERT_EQ(pop.size(1), 10);
    auto start = Clock::now();
    EXPECT_EQ(pop.retrieve(1), std::nullopt);
    double took = seconds_since(start);
    EXPECT_LT(took, 0.5);
    EXPECT_TRUE(pop.connected());
}

// The timeout counts silence since the last chunk, not the length of the whole reply.
TEST(PopMainRetrieve, SlowChunksWithinTheTimeoutAreReadToTheEnd) {
    std::vector<std::string> pieces = {"+OK\r\n", "line 1\r\n", "line 2\r\n", "line 3\r\n", ".\r\n"};
    tn::ScriptedPop3Server server(logged_in()
                                      .on("STAT", tn::stat_reply(1, 10))
                                      .on("LIST", tn::list_reply({10}))
                                      .expect("RETR 1")
                                      .send_pieces(pieces, std::chrono::milliseconds(600))
                                      .quit());
    PopMainDriver pop;
    pop.set_timeout(1);
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    auto start = Clock::now();
    EXPECT_EQ(pop.retrieve(1), "line 1\r\nline 2\r\nline 3");
    EXPECT_GE(seconds_since(start), 2.0);
}

TEST(PopMainRetrieve, ServerClosingMidReplyFailsTheRead) {
    tn::ScriptedPop3Server server(logged_in()
                                      .on("STAT", tn::stat_reply(1, 10))
                                      .on("LIST", tn::list_reply({10}))
                                      .on("RETR 1", "+OK\r\npartial")
                                      .close());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    auto start = Clock::now();
    EXPECT_EQ(pop.retrieve(1), std::nullopt);
    EXPECT_LT(seconds_since(start), 5.0);
    pop.close();
    EXPECT_FALSE(pop.connected());
}

TEST(PopMainCommands, NoopAndResetReportNothingWhateverTheOutcome) {
    tn::ScriptedPop3Server server(logged_in().on("NOOP", tn::err("x")).on("RSET", tn::ok()).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop->NOOP(), S_OK);
    EXPECT_EQ(pop->Reset(), S_OK);
    EXPECT_TRUE(pop.connected());
    pop.close();
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "NOOP", "RSET", "QUIT"}));
}

TEST(PopMainCommands, ReleaseDoesNotWaitLongForASilentServersQuitReply) {
    tn::ScriptedPop3Server server(logged_in().expect("QUIT").stall());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    auto start = Clock::now();
    pop.release();
    EXPECT_LT(seconds_since(start), 3.0) << "Timeout is 30 s, release waits about 2 s";
    EXPECT_TRUE(server.wait_for_line("QUIT", std::chrono::seconds(1)));
}

TEST(PopMainCommands, ReleasingAConnectedObjectSendsQuit) {
    tn::ScriptedPop3Server server(logged_in().quit());
    {
        PopMainDriver pop;
        ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    }
    ASSERT_TRUE(server.wait_client_closed(0, std::chrono::seconds(5)));
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "QUIT"}));
}

}  // namespace
