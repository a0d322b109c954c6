// The session against hostile servers: NUL bytes, odd chunking, floods, garbage and absurd
// numbers, servers that close, stall or talk past a reply. Every case must end (with its
// result or the designed failure) well within its timeout, and a fresh login afterwards on the
// same session must work, as the next filter cycle does.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "pop3/pop3_session.h"

namespace {

namespace tn = halvex::testnet;
using velmo::Pop3Session;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint32_t kTimeoutMs = 1000;

tn::Conversation logged_in() { return tn::Conversation().greet().login("bob", "pw"); }
// STAT and LIST for two messages of 100 and 200 bytes.
tn::Conversation listed() {
    return logged_in().on("STAT", tn::stat_reply(2, 300)).on("LIST", tn::list_reply({100, 200}));
}
const std::string kHeader = "From: a@b\r\nSubject: hi\r\n";
std::string top_reply(std::string_view header) { return "+OK\r\n" + std::string(header) + "\r\n.\r\n"; }

struct HostileRow {
    std::string name;
    bool login_succeeds;
    tn::Conversation hostile;
    // Runs the operation and checks its result; answers whether it succeeded.
    std::function<bool(Pop3Session&)> run;
    bool expect_success;
    std::chrono::milliseconds within;  // the operation ends within this time
    bool stays_connected = true;       // false: the failure closes the session (a lost stream)
};

class HostileServer : public testing::TestWithParam<HostileRow> {};

TEST_P(HostileServer, OperationEndsAndTheNextLoginWorks) {
    const HostileRow& row = GetParam();
    tn::Conversation next = logged_in().on("STAT", tn::stat_reply(1, 10)).quit();
    tn::ScriptedPop3Server server(std::vector<tn::Conversation>{row.hostile, next});
    Pop3Session session;
    session.set_timeout_ms(kTimeoutMs);

    const auto start = Clock::now();
    const bool logged = session.LoginUserPass("127.0.0.1", "bob", "pw", server.port());
    ASSERT_EQ(logged, row.login_succeeds);
    if (logged) {
        EXPECT_EQ(row.run(session), row.expect_success);
        EXPECT_EQ(session.connected(), row.stays_connected) << "only a lost stream closes the session";
    } else {
        EXPECT_FALSE(session.connected()) << "a failed login ends the session";
    }
    EXPECT_LT(Clock::now() - start, row.within);

    // The next cycle: a new login on the same session, on the server's next connection.
    session.CloseSession();
    ASSERT_TRUE(session.LoginUserPass("127.0.0.1", "bob", "pw", server.port()));
    std::int32_t count = -1, total = -1;
    EXPECT_TRUE(session.Stat(count, total));
    EXPECT_EQ(count, 1);
    EXPECT_EQ(total, 10);
    EXPECT_TRUE(session.CloseSession());
}

bool header_is(Pop3Session& s, std::int32_t n, const std::string& expected) {
    std::string header;
    if (!s.Top(n, header)) return false;
    EXPECT_EQ(header, expected);
    return true;
}

bool stat_fails_and_count_is(Pop3Session& s, std::int32_t expected_count) {
    std::int32_t count = 0, total = 0;
    const bool ok = s.Stat(count, total);
    EXPECT_EQ(s.message_count(), expected_count);
    return ok;
}

constexpr char kNulHeaderBytes[] = "From: a@b\r\nX-Odd: a\0b\r\nSubject: hi\r\n";
const std::string kNulHeader(kNulHeaderBytes, sizeof kNulHeaderBytes - 1);
const std::string kNulHeaderAsText = "From: a@b\r\nX-Odd: a b\r\nSubject: hi\r\n";

std::vector<HostileRow> rows() {
    std::vector<HostileRow> r;
    // A NUL in a header: the terminator after it in the same chunk is found, and the NUL reads
    // as a space.
    r.push_back({"nul_inside_header", true, listed().on("TOP 1 0", top_reply(kNulHeader)).quit(),
                 [](Pop3Session& s) { return header_is(s, 1, kNulHeaderAsText); }, true, 900ms});
    r.push_back({"nul_right_before_terminator", true,
                 listed().on("TOP 2 0", top_reply(kHeader + std::string(1, '\0'))).quit(),
                 [](Pop3Session& s) { return header_is(s, 2, kHeader + " "); }, true, 900ms});
    r.push_back({"one_byte_chunks", true,
                 tn::Conversation()
                     .send_chunked("+OK ready\r\n", 1)
                     .expect("USER bob")
                     .send_chunked("+OK\r\n", 1)
                     .expect("PASS pw")
                     .send("+OK\r\n")
                     .expect("STAT")
                     .send_chunked(tn::stat_reply(2, 300), 1)
                     .expect("LIST")
                     .send_chunked(tn::list_reply({100, 200}), 1)
                     .expect("TOP 1 0")
                     .send_chunked(top_reply(kHeader), 1)
                     .quit(),
                 [](Pop3Session& s) { return header_is(s, 1, kHeader); }, true, 3000ms});
    r.push_back({"terminator_split_across_chunks", true,
                 listed()
                     .expect("TOP 1 0")
                     .send_pieces({"+OK\r\n" + kHeader + "\r", "\n.", "\r", "\n"}, 50ms)
                     .quit(),
                 [](Pop3Session& s) { return header_is(s, 1, kHeader); }, true, 900ms});
    r.push_back({"ten_megabytes_without_line_end_as_status", true,
                 logged_in().expect("STAT").send_filler(10u << 20).stall(),
                 [](Pop3Session& s) { return stat_fails_and_count_is(s, 0); }, false, 900ms});
    r.push_back({"ten_megabytes_without_line_end_in_a_message", true,
                 logged_in()
                     .on("STAT", tn::stat_reply(1, (10 << 20) + 2))
                     .on("LIST", tn::list_reply({(10 << 20) + 2}))
                     .expect("RETR 1")
                     .send("+OK\r\n")
                     .send_filler(10u << 20)
                     .send("\r\n.\r\n")
                     .quit(),
                 [](Pop3Session& s) {
                     std::string text;
                     if (!s.Retr(1, text)) return false;
                     EXPECT_EQ(text.size(), std::size_t(10u << 20));
                     return true;
                 },
                 true, 10000ms});
    r.push_back({"garbage_greeting", false, tn::Conversation().send("\x01\xff\x7fgarbage\r\n").quit(), nullptr,
                 false, 900ms});
    r.push_back({"greeting_flood_without_line_end", false, tn::Conversation().send_filler(1u << 20).stall(),
                 nullptr, false, 900ms});
    // The largest count STAT may give is answered, but no listing is asked for it: the
    // header fetch fails at once instead of reading 30 GB.
    r.push_back({"stat_count_2147483647", true,
                 // The header fetch sends its own STAT, then no LIST: the NOOP is answered.
                 logged_in()
                     .on("STAT", "+OK 2147483647 5000\r\n")
                     .on("STAT", "+OK 2147483647 5000\r\n")
                     .on("NOOP", "+OK\r\n")
                     .quit(),
                 [](Pop3Session& s) {
                     std::int32_t count = 0, total = 0;
                     EXPECT_TRUE(s.Stat(count, total));
                     EXPECT_EQ(count, 2147483647);
                     std::string header;
                     EXPECT_FALSE(s.Top(1, header));
                     EXPECT_FALSE(s.List());
                     return s.Noop();
                 },
                 true, 900ms});
    // A count with no digits reads as 0, so nothing of such a mailbox is touched.
    r.push_back({"stat_count_minus_one", true, logged_in().on("STAT", "+OK -1 300\r\n").quit(),
                 [](Pop3Session& s) { return stat_fails_and_count_is(s, 0); }, true, 900ms});
    r.push_back({"stat_count_of_letters", true, logged_in().on("STAT", "+OK many 300\r\n").quit(),
                 [](Pop3Session& s) { return stat_fails_and_count_is(s, 0); }, true, 900ms});
    r.push_back({"stat_count_beyond_31_bits", true, logged_in().on("STAT", "+OK 2147483648 300\r\n").quit(),
                 [](Pop3Session& s) { return stat_fails_and_count_is(s, 0); }, false, 900ms});
    r.push_back({"stat_size_of_letters", true, logged_in().on("STAT", "+OK 2 lots\r\n").quit(),
                 [](Pop3Session& s) { return stat_fails_and_count_is(s, 2); }, false, 900ms});
    // Bad sizes are not answered, but keep their places: the other messages are unaffected,
    // and the header of the message itself can still be fetched.
    r.push_back({"list_huge_negative_and_missing_sizes", true,
                 logged_in()
                     .on("STAT", tn::stat_reply(5, 600))
                     .on("LIST", tn::multi_line("+OK", {"1 100", "2 4294967296", "3 -5", "4", "5 4294967295"}))
                     .on("TOP 3 0", top_reply(kHeader))
                     .quit(),
                 [](Pop3Session& s) {
                     std::uint32_t size = 0;
                     EXPECT_TRUE(s.LookupSize(1, size));
                     EXPECT_EQ(size, 100u);
                     for (std::int32_t n : {2, 3, 4}) EXPECT_FALSE(s.LookupSize(n, size)) << "message " << n;
                     EXPECT_TRUE(s.LookupSize(5, size));
                     EXPECT_EQ(size, 4294967295u);
                     return header_is(s, 3, kHeader);
                 },
                 true, 900ms});
    r.push_back({"list_with_more_lines_than_the_count", true,
                 logged_in().on("STAT", tn::stat_reply(1, 100)).on("LIST", tn::list_reply({100, 200})).quit(),
                 [](Pop3Session& s) {
                     std::uint32_t size = 0;
                     EXPECT_FALSE(s.LookupSize(2, size));
                     return s.LookupSize(1, size) && size == 100u;
                 },
                 true, 900ms});
    // A listing past its cap is read to its end and dropped, so the next command reads its own
    // reply; one whose end never comes loses the stream.
    r.push_back({"list_over_its_cap_without_end_closes_the_session", true,
                 logged_in().on("STAT", tn::stat_reply(2, 300)).expect("LIST").send("+OK\r\n").send_filler(1u << 20).stall(),
                 [](Pop3Session& s) { return s.List(); }, false, std::chrono::milliseconds(kTimeoutMs + 900), false});
    r.push_back({"list_over_its_cap_is_read_to_its_end", true,
                 logged_in()
                     .on("STAT", tn::stat_reply(2, 300))
                     .expect("LIST")
                     .send("+OK\r\n")
                     .send_filler(1u << 20)
                     .send_pieces({"\r\n", ".\r", "\n"}, 20ms)
                     .on("NOOP", "+OK\r\n")
                     .quit(),
                 [](Pop3Session& s) {
                     EXPECT_FALSE(s.List());
                     EXPECT_EQ(s.last_failure().kind, velmo::FailureKind::ReplyTooLarge);
                     return s.Noop();
                 },
                 true, 900ms});
    r.push_back({"uidl_over_its_cap_is_read_to_its_end", true,
                 logged_in()
                     .on("STAT", tn::stat_reply(1, 300))
                     .on("UIDL", tn::uidl_reply({std::string(300, 'u')}))
                     .on("NOOP", "+OK\r\n")
                     .quit(),
                 [](Pop3Session& s) {
                     std::string id;
                     EXPECT_FALSE(s.LookupUniqueId(1, id));
                     return s.Noop();
                 },
                 true, 900ms});
    // A refused multi-line command fails as soon as its status line is in, and the stream
    // stays in step.
    struct Refused {
        const char* name;
        tn::Conversation before;  // up to the refused command
        const char* command;
        std::function<bool(Pop3Session&)> call;
    };
    const tn::Conversation stat_only = logged_in().on("STAT", tn::stat_reply(2, 300));
    for (const Refused& c : std::vector<Refused>{
             {"err_to_top", listed(), "TOP 1 0", [](Pop3Session& s) { std::string t; return s.Top(1, t); }},
             {"err_to_retr", listed(), "RETR 2", [](Pop3Session& s) { std::string t; return s.Retr(2, t); }},
             {"err_to_list", stat_only, "LIST", [](Pop3Session& s) { return s.List(); }},
             {"err_to_uidl", stat_only, "UIDL", [](Pop3Session& s) { std::string t; return s.LookupUniqueId(1, t); }},
         }) {
        tn::Conversation script = c.before;
        r.push_back({c.name, true, script.on(c.command, "-ERR message deleted by another client\r\n").on("NOOP", "+OK\r\n").quit(),
                     [call = c.call](Pop3Session& s) {
                         EXPECT_FALSE(call(s));
                         EXPECT_EQ(s.last_failure().text, "the server answered: -ERR message deleted by another client");
                         return s.Noop();
                     },
                     true, 300ms});
    }
    r.push_back({"closes_mid_reply", true, listed().expect("TOP 1 0").send("+OK\r\nFrom: a@b\r\n").close(),
                 [](Pop3Session& s) {
                     std::string header;
                     return s.Top(1, header);
                 },
                 false, 900ms});
    r.push_back({"resets_mid_reply", true, listed().expect("TOP 1 0").send("+OK\r\nFrom: a@b\r\n").reset(),
                 [](Pop3Session& s) {
                     std::string header;
                     return s.Top(1, header);
                 },
                 false, 900ms});
    r.push_back({"stalls_mid_reply", true, listed().expect("TOP 1 0").send("+OK\r\nFrom: a@b\r\n").stall(),
                 [](Pop3Session& s) {
                     std::string header;
                     return s.Top(1, header);
                 },
                 false, std::chrono::milliseconds(kTimeoutMs + 1500)});
    // Bytes after the terminator do not change the reply they follow.
    r.push_back({"more_data_after_terminator", true,
                 listed().on("TOP 1 0", top_reply(kHeader) + "+OK surplus\r\nmore junk\r\n").quit(),
                 [](Pop3Session& s) { return header_is(s, 1, kHeader); }, true, 900ms});
    // Endless replies end at their caps, having held no more than the cap; the session closes.
    auto capped = [](std::function<bool(Pop3Session&, std::string&)> call, std::uint64_t cap) {
        return [call, cap](Pop3Session& s) {
            const std::uint64_t before = s.bytes_received();
            std::string text;
            EXPECT_FALSE(call(s, text));
            EXPECT_TRUE(text.empty());
            EXPECT_EQ(s.last_failure().kind, velmo::FailureKind::ReplyTooLarge) << s.last_failure().text;
            EXPECT_LE(s.bytes_received() - before, cap + Pop3Session::kReceiveChunk);
            return false;
        };
    };
    r.push_back({"endless_header", true, listed().expect("TOP 1 0").send("+OK\r\n").send_endless("X-Flood: yyyyyyyy\r\n"),
                 capped([](Pop3Session& s, std::string& t) { return s.Top(1, t); }, Pop3Session::kHeaderCap), false,
                 2000ms, false});
    // Listed at 100 bytes: the cap is twice that and 64 KB.
    r.push_back({"endless_message", true, listed().expect("RETR 1").send("+OK\r\n").send_endless("body line\r\n"),
                 capped([](Pop3Session& s, std::string& t) { return s.Retr(1, t); }, 200 + Pop3Session::kRetrieveMargin),
                 false, 2000ms, false});
    // A listing without a sound size: the client's cap holds.
    r.push_back({"endless_message_of_unknown_size", true,
                 logged_in()
                     .on("STAT", tn::stat_reply(1, 100))
                     .on("LIST", tn::multi_line("+OK", {"1 lots"}))
                     .expect("RETR 1")
                     .send("+OK\r\n")
                     .send_endless("body line\r\n"),
                 [capped](Pop3Session& s) {
                     s.set_max_message_size(300000);
                     const bool ok = capped([](Pop3Session& t, std::string& x) { return t.Retr(1, x); }, 300000)(s);
                     s.set_max_message_size(Pop3Session::kDefaultMaxMessageSize);
                     return ok;
                 },
                 false, 2000ms, false});
    // A reply that trickles a byte at a time beats the idle timeout but not the request's deadline.
    r.push_back({"trickling_header", true, listed().expect("TOP 1 0").send("+OK\r\n").send_endless("X-Slow: z\r\n", 40ms),
                 [](Pop3Session& s) {
                     s.set_timeout_ms(200);
                     s.BeginRequest();
                     std::string header;
                     const bool ok = s.Top(1, header);
                     EXPECT_EQ(s.last_failure().kind, velmo::FailureKind::Deadline) << s.last_failure().text;
                     EXPECT_EQ(s.last_failure().text, "no complete reply within 1 s (data still arriving)");
                     return ok;
                 },
                 false, 1600ms});
    // A silent server costs one timeout: the QUIT after it is not awaited.
    r.push_back({"silent_greeting", false, tn::Conversation::silent(), nullptr, false,
                 std::chrono::milliseconds(kTimeoutMs + 400)});
    return r;
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileServer, testing::ValuesIn(rows()),
                         [](const testing::TestParamInfo<HostileRow>& info) { return info.param.name; });

}  // namespace
