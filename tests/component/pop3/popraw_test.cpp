// IPOPRAW: a retrieved message as the server's bytes (8-bit text that is not UTF-8, dot-stuffed
// lines), in both modes; the unique id asked before DELE; whether QUIT was answered. Against
// the scripted server, for the exact replies (an odd UIDL answer, QUIT refused).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "async_client.h"
#include "frame/com_ptr.h"
#include "frame/text.h"
#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "pop3/ipopraw.h"
#include "pop3/kept_message.h"
#include "popmain_driver.h"

namespace {

namespace tn = halvex::testnet;
using pop3test::Bstr;
using pop3test::PopMainDriver;
using velmo::ComPtr;

struct RetrievedCase {
    const char* name;
    std::string text;  // as OnRetrieved brings it: the terminator cut
    std::string message;
};

class RetrievedMessage : public testing::TestWithParam<RetrievedCase> {};

TEST_P(RetrievedMessage, IsTheMessageAsTheServerKeepsIt) {
    const RetrievedCase& c = GetParam();
    ASSERT_EQ(velmo::retrieved_message_size(c.text), c.message.size());
    std::string out(c.message.size(), '?');
    velmo::copy_retrieved_message(c.text, out.data());
    EXPECT_EQ(out, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RetrievedMessage,
    testing::Values(
        RetrievedCase{"plain", "+OK 20 octets\r\nSubject: a\r\n\r\nbody", "Subject: a\r\n\r\nbody\r\n"},
        RetrievedCase{"dot_stuffed_lines", "+OK\r\nA: b\r\n\r\n..dot\r\n...\r\nx.y", "A: b\r\n\r\n.dot\r\n..\r\nx.y\r\n"},
        RetrievedCase{"empty_message", "+OK", ""},
        RetrievedCase{"one_empty_line", "+OK 2\r\n", "\r\n"},
        RetrievedCase{"dot_line_at_end", "+OK\r\nA: b\r\n\r\n..", "A: b\r\n\r\n.\r\n"},
        RetrievedCase{"eight_bit_bytes", "+OK\r\nS: caf\xE9\r\n\r\n\xFF\xFE\r\n..\x80", "S: caf\xE9\r\n\r\n\xFF\xFE\r\n.\x80\r\n"},
        RetrievedCase{"no_reply_at_all", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// A message in raw Latin-1 with a lone 0xFF byte and a line that starts with a dot.
const std::string kMessage = "From: Ren\xE9 <rene@example.org>\r\nSubject: caf\xE9\r\n\r\n\xFF odd\r\n.dot\r\nend\r\n";
const std::string kWire = "From: Ren\xE9 <rene@example.org>\r\nSubject: caf\xE9\r\n\r\n\xFF odd\r\n..dot\r\nend\r\n";

// The synchronous Retrieve lists the mailbox first; the worker sends RETR at once.
tn::Conversation up_to_retr(bool listed = true) {
    tn::Conversation c;
    c.greet().login("bob", "pw");
    if (listed) c.on("STAT", tn::stat_reply(1, 90)).on("LIST", tn::list_reply({90}));
    return c.on("RETR 1", "+OK 90 octets\r\n" + kWire + ".\r\n");
}

ComPtr<IPOPRAW> raw_of(IPOPMAIN* pop) {
    ComPtr<IPOPRAW> raw;
    EXPECT_EQ(pop->QueryInterface(IPOPRAW::iid, raw.put_void()), S_OK);
    return raw;
}

std::string copy_of(IPOPRAW* raw) {
    LONG size = -1;
    EXPECT_EQ(raw->get_RetrievedSize(&size), S_OK);
    std::string out(static_cast<size_t>(size), '?');
    LONG copied = -1;
    EXPECT_EQ(raw->CopyRetrieved(reinterpret_cast<unsigned char*>(out.data()), size, &copied), S_OK);
    EXPECT_EQ(copied, size);
    return out;
}

TEST(PopRaw, SynchronousRetrieveKeepsTheServersBytesAndGivesTheSameText) {
    tn::ScriptedPop3Server server({up_to_retr().quit(), up_to_retr().quit()});
    PopMainDriver plain;
    ASSERT_EQ(plain.connect(server.address(), "bob", "pw"), 0);
    const std::optional<std::string> designed = plain.retrieve(1);
    plain.close();

    PopMainDriver pop;
    ComPtr<IPOPRAW> raw = raw_of(pop.get());
    LONG msg = -1;
    EXPECT_EQ(raw->get_RetrievedMsg(&msg), S_OK);
    EXPECT_EQ(msg, 0);
    ASSERT_EQ(raw->put_KeepRetrieved(1), S_OK);
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.retrieve(1), designed);  // the designed result is unchanged
    EXPECT_EQ(raw->get_RetrievedMsg(&msg), S_OK);
    EXPECT_EQ(msg, 1);
    EXPECT_EQ(copy_of(raw.get()), kMessage);

    LONG copied = -1;
    unsigned char small[4];
    EXPECT_EQ(raw->CopyRetrieved(small, 4, &copied), E_INVALIDARG);
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(raw->ForgetRetrieved(), S_OK);
    EXPECT_EQ(raw->get_RetrievedMsg(&msg), S_OK);
    EXPECT_EQ(msg, 0);
    EXPECT_EQ(raw->CopyRetrieved(small, 4, &copied), S_FALSE);
    pop.close();
}

TEST(PopRaw, AsynchronousRetrieveKeepsTheBytesBesideTheEventsText) {
    using namespace asynctest;
    InApartment apartment;
    tn::ScriptedPop3Server server(up_to_retr(false).quit());
    ComPtr<IPOPMAIN> pop;
    ASSERT_EQ(VelmoCreateInstance(u"Velmo.POPMAIN", IID_IPOPMAIN, pop.put_void()), S_OK);
    ASSERT_EQ(pop->put_Asynchronous(1), S_OK);
    ComPtr<IPOPRAW> raw = raw_of(pop.get());
    ASSERT_EQ(raw->put_KeepRetrieved(1), S_OK);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(pop.query(container), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(DIID__IEventThreadObjEvents, point.put()), S_OK);
    auto sink = ComPtr<Recorder>::adopt(new Recorder);
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(sink.get(), &cookie), S_OK);

    Bstr s(server.address()), u("bob"), p("pw");
    LONG ignored = 0;
    ASSERT_EQ(pop->Connect(s.get(), u.get(), p.get(), &ignored), S_OK);
    ASSERT_TRUE(pump_until([&] { return sink->saw("connected"); }));
    BSTR none = nullptr;
    ASSERT_EQ(pop->Retrieve(1, &none), S_OK);
    ASSERT_TRUE(pump_until([&] { return sink->saw("retrieved 1"); })) << testing::PrintToString(sink->events());
    // The event's text is the designed one: status line first, dot-stuffing kept.
    EXPECT_EQ(sink->text(), velmo::to_utf8(Bstr("+OK 90 octets\r\n" + kWire.substr(0, kWire.size() - 2)).get()));
    LONG msg = 0;
    EXPECT_EQ(raw->get_RetrievedMsg(&msg), S_OK);
    EXPECT_EQ(msg, 1);
    EXPECT_EQ(copy_of(raw.get()), kMessage);
    ASSERT_EQ(pop->Close(), S_OK);
    ASSERT_TRUE(pump_until([&] { return sink->saw("closed"); }));
    LONG confirmed = 0;
    EXPECT_EQ(raw->get_QuitConfirmed(&confirmed), S_OK);
    EXPECT_EQ(confirmed, 1);
    point->Unadvise(cookie);
}

std::string capa(const std::vector<std::string>& lines) { return tn::multi_line("+OK", lines); }

struct UniqueIdCase {
    const char* name;
    std::vector<std::string> capabilities;  // empty: CAPA refused
    std::string uidl_reply;                 // empty: UIDL not expected
    std::string id;
};

class UniqueIdAtDelete : public testing::TestWithParam<UniqueIdCase> {};

TEST_P(UniqueIdAtDelete, IsAskedWhereTheServerOffersItAndNeverStopsTheDelete) {
    const UniqueIdCase& c = GetParam();
    tn::Conversation script;
    script.greet();
    if (!c.capabilities.empty()) script.on("CAPA", capa(c.capabilities));
    script.login("bob", "pw").on("STAT", tn::stat_reply(3, 300)).on("LIST", tn::list_reply({100, 100, 100}));
    if (!c.uidl_reply.empty()) script.on("UIDL 2", c.uidl_reply);
    script.on("DELE 2", tn::ok("marked")).quit();
    tn::ScriptedPop3Server server(script);

    PopMainDriver pop;
    ComPtr<IPOPRAW> raw = raw_of(pop.get());
    ASSERT_EQ(raw->put_AskUniqueIds(1), S_OK);
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    ASSERT_EQ(pop.size(2), LONG{100});
    EXPECT_EQ(pop.remove(2), 0);
    Bstr id;
    EXPECT_EQ(raw->GetUniqueId(2, id.out()), c.id.empty() ? S_FALSE : S_OK);
    EXPECT_EQ(id.text(), c.id);
    EXPECT_EQ(raw->GetUniqueId(3, id.out()), S_FALSE);  // not the message deleted
    pop.close();
    EXPECT_EQ(server.problems(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Servers, UniqueIdAtDelete,
    testing::Values(UniqueIdCase{"pipelined", {"UIDL", "PIPELINING"}, "+OK 2 QQ9a-7\r\n", "QQ9a-7"},
                    UniqueIdCase{"one_at_a_time", {"UIDL", "TOP"}, "+OK 2 abc\r\n", "abc"},
                    UniqueIdCase{"refused", {"UIDL", "PIPELINING"}, "-ERR not now\r\n", ""},
                    UniqueIdCase{"another_message", {"UIDL"}, "+OK 3 abc\r\n", ""},
                    UniqueIdCase{"no_id", {"UIDL"}, "+OK 2\r\n", ""},
                    UniqueIdCase{"not_offered", {"TOP", "PIPELINING"}, "", ""},
                    UniqueIdCase{"no_capa", {}, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PopRaw, QuitConfirmedOnlyWhenTheServerAnsweredOk) {
    for (const auto& [reply, expected] : {std::pair{std::string("+OK bye\r\n"), 1},
                                          std::pair{std::string("-ERR some messages not removed\r\n"), 0}}) {
        tn::ScriptedPop3Server server(tn::Conversation().greet().login("bob", "pw").on("QUIT", reply));
        PopMainDriver pop;
        ComPtr<IPOPRAW> raw = raw_of(pop.get());
        ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
        LONG confirmed = -1;
        EXPECT_EQ(raw->get_QuitConfirmed(&confirmed), S_OK);
        EXPECT_EQ(confirmed, 0) << "while the session stands";
        pop.close();
        EXPECT_EQ(raw->get_QuitConfirmed(&confirmed), S_OK);
        EXPECT_EQ(confirmed, expected) << reply;
    }
}

}  // namespace
