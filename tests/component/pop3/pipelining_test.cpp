// Pipelined header scans: the same mailbox served by a server without capabilities and by one
// that lists PIPELINING must give the same results and events; the pipelining server must see
// every command in order. Plus the two pieces the scan is built from, without a network.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "async_client.h"
#include "frame/com_ptr.h"
#include "frame/connection_point.h"
#include "frame/text.h"
#include "frame/class_table.h"
#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "pop3/header_prefetch.h"
#include "pop3/ipopoptions.h"
#include "pop3/pipelined_reply.h"
#include "popmain_driver.h"

namespace {

using namespace std::chrono_literals;
namespace tn = halvex::testnet;
using velmo::HeaderPrefetch;
using velmo::PipelinedReply;
using Lines = std::vector<std::string>;

// ---- PipelinedReply -------------------------------------------------------------------

struct ReplyCase {
    const char* name;
    std::string stream;
    std::string reply;  // the first reply
    std::string rest;   // what stays for the next one
    bool ok;
};

TEST(PipelinedReply, SplitsTheStreamAtTheEndOfEachReplyInAnyChunking) {
    const std::vector<ReplyCase> cases = {
        {"header then next", "+OK\r\nA: b\r\n\r\n.\r\n+OK\r\n", "+OK\r\nA: b\r\n\r\n.\r\n", "+OK\r\n", true},
        {"empty header", "+OK\r\n.\r\n-ERR x\r\n", "+OK\r\n.\r\n", "-ERR x\r\n", true},
        {"-ERR is one line", "-ERR no such message\r\n+OK\r\nA: b\r\n.\r\n", "-ERR no such message\r\n",
         "+OK\r\nA: b\r\n.\r\n", false},
        {"lower case ok", "+ok\r\n.\r\nrest", "+ok\r\n.\r\n", "rest", true},
        {"garbage status is one line", "hello\r\n+OK\r\n.\r\n", "hello\r\n", "+OK\r\n.\r\n", false},
        {"stuffed dot line is not the end", "+OK\r\n..x\r\n.\r\n", "+OK\r\n..x\r\n.\r\n", "", true},
    };
    for (const ReplyCase& c : cases) {
        for (std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{3}, c.stream.size()}) {
            PipelinedReply reader(1000);
            PipelinedReply::State state = PipelinedReply::State::More;
            std::size_t at = 0;
            while (state == PipelinedReply::State::More && at < c.stream.size()) {
                state = reader.add(std::string_view(c.stream).substr(at, size));
                at += size;
            }
            SCOPED_TRACE(std::string(c.name) + ", chunks of " + std::to_string(size));
            ASSERT_EQ(state, PipelinedReply::State::Complete);
            EXPECT_EQ(reader.reply(), c.reply);
            EXPECT_EQ(reader.take_rest() + (at < c.stream.size() ? c.stream.substr(at) : ""), c.rest);
            EXPECT_EQ(reader.ok(), c.ok);
        }
    }
}

TEST(PipelinedReply, FailsPastItsLimitEvenWithTheEndInSight) {
    PipelinedReply endless(16);
    EXPECT_EQ(endless.add("+OK\r\n0123456789"), PipelinedReply::State::More);
    EXPECT_EQ(endless.add("0123456789"), PipelinedReply::State::Fail);
    PipelinedReply whole(16);
    EXPECT_EQ(whole.add("+OK\r\n0123456789ab\r\n.\r\n"), PipelinedReply::State::Fail);
    PipelinedReply status(8);
    EXPECT_EQ(status.add("-ERR 0123456789"), PipelinedReply::State::Fail);
}

// ---- HeaderPrefetch --------------------------------------------------------------------

TEST(HeaderPrefetch, KeepsTheWindowAndTheByteBound) {
    HeaderPrefetch p;
    std::vector<std::int32_t> first = p.plan(1, 1000, true);
    ASSERT_EQ(first.size(), HeaderPrefetch::kWindow);
    EXPECT_EQ(first.front(), 1);
    EXPECT_EQ(first.back(), static_cast<std::int32_t>(HeaderPrefetch::kWindow));
    for (std::int32_t k : first) p.sent(k);
    EXPECT_TRUE(p.plan(1, 1000, true).empty()) << "all of the window is on the wire";
    p.arrived({true, "+OK\r\n.\r\n"});
    EXPECT_TRUE(p.plan(1, 1000, true).empty()) << "message 1 is held, not yet handed out";
    ASSERT_TRUE(p.take(1));
    EXPECT_FALSE(p.take(1)) << "a header is handed out once";
    EXPECT_EQ(p.plan(2, 1000, true), (std::vector<std::int32_t>{49, 50, 51, 52}))
        << "the window moves on by the header handed out and grows by three";
    EXPECT_TRUE(p.plan(2, 48, true).empty()) << "nothing past the listing";
    EXPECT_EQ(p.plan(100, 1000, false), (std::vector<std::int32_t>{100})) << "no window without pipelining";

    HeaderPrefetch big;
    big.sent(1);
    big.arrived({true, std::string(HeaderPrefetch::kMaxHeldBytes, 'x')});
    EXPECT_EQ(big.plan(2, 1000, true), (std::vector<std::int32_t>{2})) << "held bytes stop the window";
    big.forget(1);
    EXPECT_EQ(big.held_bytes(), 0u);
}

// ---- the same mailbox, with and without PIPELINING -------------------------------------

struct Message {
    std::string header;  // header lines, each with CR LF
    bool spam = false;
    bool refused = false;  // TOP answered "-ERR"
};

struct Mailbox {
    std::vector<Message> messages;
    int closes_at = 0;  // the server closes when TOP of this message arrives (0: never)
    bool one_byte_chunks = false;
};

// CAPA answered with the given capability lines.
tn::Conversation& capa(tn::Conversation& c, const std::vector<std::string>& capabilities) {
    std::string reply = "+OK capability list follows\r\n";
    for (const std::string& line : capabilities) reply += line + "\r\n";
    return c.on("CAPA", reply + ".\r\n");
}

std::string top_reply(const Message& m) {
    return m.refused ? tn::err("no such message") : "+OK\r\n" + m.header + "\r\n.\r\n";
}

// The server's script: every TOP in order when pipelining (the client sends the window at
// once), else each message's TOP followed by its DELE.
tn::Conversation script(const Mailbox& box, bool pipelining) {
    tn::Conversation c;
    c.greet();
    if (pipelining) capa(c, {"TOP", "PIPELINING", "UIDL"});
    c.login("bob", "pw").on("STAT", tn::stat_reply(static_cast<std::int64_t>(box.messages.size()), 100));
    std::vector<std::int64_t> sizes(box.messages.size(), 20);
    c.on("LIST", tn::list_reply(sizes));
    auto top = [&](std::size_t i) {
        const std::string command = "TOP " + std::to_string(i + 1) + " 0";
        if (box.closes_at == static_cast<int>(i + 1)) {
            c.expect(command).close();
            return false;
        }
        if (box.one_byte_chunks) c.expect(command).send_chunked(top_reply(box.messages[i]), 1);
        else c.on(command, top_reply(box.messages[i]));
        return true;
    };
    for (std::size_t i = 0; i < box.messages.size(); ++i) {
        if (!top(i)) return c;
        if (!pipelining && box.messages[i].spam) c.on("DELE " + std::to_string(i + 1), tn::ok());
    }
    for (std::size_t i = 0; pipelining && i < box.messages.size(); ++i)
        if (box.messages[i].spam) c.on("DELE " + std::to_string(i + 1), tn::ok());
    return c.quit();
}

// What the filter does with a mailbox, synchronously: each header, its size, DELE for spam.
Lines walk_sync(const Mailbox& box, tn::ScriptedPop3Server& server, bool allow_pipelining = true) {
    pop3test::PopMainDriver pop;
    pop.set_timeout(1);
    velmo::ComPtr<IPOPOPTIONS> options;
    EXPECT_EQ(pop->QueryInterface(IID_IPOPOPTIONS, options.put_void()), S_OK);
    LONG value = -1;
    EXPECT_EQ(options->get_Pipelining(&value), S_OK);
    EXPECT_EQ(value, 1) << "on by default";
    options->put_Pipelining(allow_pipelining ? 1 : 0);
    Lines seen;
    if (pop.connect(server.address(), "bob", "pw") != 0) return {"login failed"};
    for (std::size_t i = 0; i < box.messages.size(); ++i) {
        const LONG k = static_cast<LONG>(i + 1);
        std::optional<std::string> header = pop.header(k);
        seen.push_back(header ? *header : "no header " + std::to_string(k));
        std::optional<LONG> size = pop.size(k);
        seen.push_back(size ? std::to_string(*size) : "no size");
        if (header && box.messages[i].spam) seen.push_back("delete " + std::to_string(pop.remove(k)));
    }
    pop.close();
    return seen;
}

Mailbox plain_box() {
    Mailbox box;
    for (int i = 1; i <= 6; ++i)
        box.messages.push_back({"From: <a" + std::to_string(i) + "@x.example>\r\nSubject: " + std::to_string(i) + "\r\n",
                                i % 3 == 2});
    return box;
}

struct BoxCase {
    const char* name;
    Mailbox box;
};

std::vector<BoxCase> box_cases() {
    std::vector<BoxCase> out;
    out.push_back({"plain with spam", plain_box()});
    Mailbox refused = plain_box();
    refused.messages[2].refused = true;
    out.push_back({"-ERR in the middle of the window", refused});
    Mailbox closing = plain_box();
    for (Message& m : closing.messages) m.spam = false;
    closing.closes_at = 4;
    out.push_back({"server closes mid-window", closing});
    Mailbox chunked = plain_box();
    chunked.one_byte_chunks = true;
    out.push_back({"one-byte chunks", chunked});
    Mailbox nul = plain_box();
    nul.messages[1].header = std::string("X-Odd: a\0b\r\n", 12);
    out.push_back({"a NUL in a header", nul});
    return out;
}

TEST(Pipelining, SameResultsWithAndWithoutPipeliningAndCommandsInOrder) {
    for (const BoxCase& c : box_cases()) {
        SCOPED_TRACE(c.name);
        tn::ScriptedPop3Server plain(script(c.box, false));
        tn::ScriptedPop3Server piped(script(c.box, true));
        const Lines expected = walk_sync(c.box, plain);
        EXPECT_EQ(walk_sync(c.box, piped), expected);
        EXPECT_TRUE(piped.problems().empty()) << piped.problems().front();
        EXPECT_TRUE(plain.problems().empty()) << plain.problems().front();
        if (c.box.closes_at == 0) {
            // Every message's TOP went out once, in order, before any DELE.
            Lines tops;
            for (const std::string& line : piped.lines())
                if (line.rfind("TOP ", 0) == 0) tops.push_back(line);
            ASSERT_EQ(tops.size(), c.box.messages.size());
            for (std::size_t i = 0; i < tops.size(); ++i) EXPECT_EQ(tops[i], "TOP " + std::to_string(i + 1) + " 0");
        }
    }
}

// The same walk in asynchronous mode, every request queued at once: the events with the
// header texts they brought, up to OnClosed.
Lines walk_async(const Mailbox& box, tn::ScriptedPop3Server& server) {
    velmo::ComPtr<IPOPMAIN> pop;
    EXPECT_EQ(velmo::create_popmain(IID_IPOPMAIN, pop.put_void()), S_OK);
    pop->put_Asynchronous(1);
    pop->put_Timeout(1);
    velmo::ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(pop.query(container), S_OK);
    velmo::ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(DIID__IEventThreadObjEvents, point.put()), S_OK);
    auto sink = velmo::ComPtr<asynctest::Recorder>::adopt(new asynctest::Recorder);
    Lines seen;
    sink->on_event = [&](const std::string& e) { seen.push_back(e.rfind("header", 0) == 0 ? e + ": " + sink->text() : e); };
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(sink.get(), &cookie), S_OK);
    BSTR address = velmo::to_bstr(server.address()), user = velmo::to_bstr("bob"), password = velmo::to_bstr("pw");
    LONG ignored = 0;
    pop->Connect(address, user, password, &ignored);
    SysFreeString(address);
    SysFreeString(user);
    SysFreeString(password);
    EXPECT_TRUE(asynctest::pump_until([&] { return sink->saw("connected") || sink->saw("closed"); }));
    for (std::size_t i = 0; i < box.messages.size(); ++i) {
        const LONG k = static_cast<LONG>(i + 1);
        BSTR unused = nullptr;
        pop->GetMsgHeader(k, &unused);
        pop->GetMsgSize(k, &ignored);
        if (box.messages[i].spam) pop->Delete(k, &ignored);
    }
    pop->Close();
    EXPECT_TRUE(asynctest::pump_until([&] { return sink->saw("closed"); }));
    point->Unadvise(cookie);
    return sink->main_events().size() == seen.size() ? seen : Lines{"events went missing"};
}

TEST(Pipelining, SameEventsWithAndWithoutPipelining) {
    asynctest::InApartment apartment;
    for (const BoxCase& c : box_cases()) {
        SCOPED_TRACE(c.name);
        tn::ScriptedPop3Server plain(script(c.box, false));
        tn::ScriptedPop3Server piped(script(c.box, true));
        const Lines expected = walk_async(c.box, plain);
        EXPECT_GT(expected.size(), 3u);
        EXPECT_EQ(walk_async(c.box, piped), expected);
    }
}

TEST(Pipelining, SwitchedOffTheCommandsWaitForEachOther) {
    const Mailbox box = plain_box();
    // A server that lists PIPELINING but is scripted one command at a time.
    const tn::Conversation one_by_one = script(box, false);
    tn::Conversation listing;
    capa(listing.greet(), {"PIPELINING"});
    for (std::size_t i = 1; i < one_by_one.steps().size(); ++i) {
        const tn::Step& step = one_by_one.steps()[i];
        if (step.kind == tn::Step::Kind::expect) listing.expect(*step.expected);
        else listing.send_pieces(step.pieces);
    }
    tn::ScriptedPop3Server plain(one_by_one);
    tn::ScriptedPop3Server server(listing);
    const Lines expected = walk_sync(box, plain);
    EXPECT_EQ(walk_sync(box, server, false), expected);
    EXPECT_TRUE(server.problems().empty()) << server.problems().front();
    Lines lines = server.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "CAPA");
    lines.erase(lines.begin());
    EXPECT_EQ(lines, plain.lines());
}

}  // namespace

// ---- the listing, sent with the STAT ------------------------------------------------------

// The first STAT goes with LIST. A refused STAT fails with its own answer and the next STAT
// gets its own reply; a refused LIST behind a sound STAT is asked again for a size.
TEST(Pipelining, ListSentWithStatKeepsEachAnswerToItsCommand) {
    struct Case {
        const char* name;
        std::string stat, list;  // the first answers
        bool counted;
    };
    for (const Case& c : {Case{"STAT refused", tn::err("mailbox busy"), tn::err("mailbox busy"), false},
                          Case{"LIST refused", tn::stat_reply(2, 40), tn::err("not now"), true}}) {
        SCOPED_TRACE(c.name);
        tn::Conversation script;  // both replies of a pair in one send, so in one read
        capa(script.greet(), {"PIPELINING", "TOP"}).login("bob", "pw").expect("STAT").expect("LIST");
        script.send(c.stat + c.list).expect("STAT").expect("LIST");
        script.send(tn::stat_reply(2, 40) + tn::list_reply({15, 25})).quit();
        tn::ScriptedPop3Server server(script);
        pop3test::PopMainDriver pop;
        pop.set_timeout(2);
        ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
        EXPECT_EQ(pop.total().has_value(), c.counted);
        EXPECT_TRUE(c.counted || pop.cause().text.find("mailbox busy") != std::string::npos) << pop.cause().text;
        EXPECT_EQ(pop.size(2), std::optional<LONG>(25));
        pop.close();
        EXPECT_TRUE(server.problems().empty()) << server.problems().front();
    }
}
