// IPOPSTATUS: every failure of a POPMAIN object names its cause, in synchronous mode after the
// call and in asynchronous mode already inside the OnError handler; a request that succeeds
// clears it, and the QUIT that ends a failed session never overwrites it.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "async_client.h"
#include "frame/com_ptr.h"
#include "frame/ipopmain.h"
#include "frame/text.h"
#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "pop3/failure_cause.h"
#include "popmain_driver.h"

namespace {

namespace tn = halvex::testnet;
using namespace std::chrono_literals;
using pop3test::Cause;
using pop3test::PopMainDriver;
using velmo::FailureKind;

tn::Conversation logged_in() { return tn::Conversation().greet().login("bob", "pw"); }
tn::Conversation listed() {
    return logged_in().on("STAT", tn::stat_reply(2, 300)).on("LIST", tn::list_reply({100, 200}));
}

LONG kind(FailureKind k) { return static_cast<LONG>(k); }

struct CauseRow {
    const char* name;
    tn::Conversation script;
    // Runs the failing call on a logged-in object (or logs in itself when `login` is false);
    // answers whether it failed as it should.
    std::function<bool(PopMainDriver&, const tn::ScriptedPop3Server&)> run;
    bool login;
    FailureKind kind;
    std::string text;  // the cause; "%PORT%" stands for the server's port; empty: run checks it
};

class SynchronousCause : public testing::TestWithParam<CauseRow> {};

TEST_P(SynchronousCause, NamesWhyTheCallFailed) {
    const CauseRow& row = GetParam();
    tn::ScriptedPop3Server server(row.script);
    PopMainDriver pop;
    pop.set_timeout(1);
    EXPECT_EQ(pop.cause().kind, 0) << "nothing failed yet";
    if (row.login) {
        ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    }
    EXPECT_EQ(pop.cause().kind, 0) << "a login that succeeded leaves no cause";
    ASSERT_TRUE(row.run(pop, server));
    std::string text = row.text;
    if (auto at = text.find("%PORT%"); at != std::string::npos)
        text.replace(at, 6, std::to_string(server.port()));
    const Cause cause = pop.cause();
    EXPECT_EQ(cause.kind, kind(row.kind));
    if (!text.empty()) {
        EXPECT_EQ(cause.text, text);  // else the run checked it
    }
}

bool login_fails(PopMainDriver& pop, const tn::ScriptedPop3Server& server) {
    return pop.connect(server.address(), "bob", "pw") == 1;
}

std::vector<CauseRow> cause_rows() {
    std::vector<CauseRow> r;
    r.push_back({"wrong_password", tn::Conversation().greet().on("USER bob", tn::ok()).on("PASS pw", "-ERR [AUTH] Authentication failed.\r\n").quit(),
                 login_fails, false, FailureKind::ServerError, "the server answered: -ERR [AUTH] Authentication failed."});
    r.push_back({"greeting_refuses", tn::Conversation().send("-ERR too busy\x1b[31m\r\n").quit(), login_fails, false,
                 FailureKind::ServerError, "the server answered: -ERR too busy?[31m"});
    r.push_back({"silent_server", tn::Conversation::silent(), login_fails, false, FailureKind::NoAnswer,
                 "no answer within 1 s"});
    r.push_back({"closed_before_greeting", tn::Conversation().close(), login_fails, false, FailureKind::ConnectionLost,
                 "the server closed the connection"});
    r.push_back({"connection_refused", tn::Conversation(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server&) {
                     // A port nothing listens on: the one a stopped server just gave up.
                     tn::ScriptedPop3Server gone(tn::Conversation().greet());
                     const std::string address = gone.address();
                     gone.stop();
                     const bool failed = pop.connect(address, "bob", "pw") == 1;
                     const Cause c = pop.cause();
                     EXPECT_EQ(c.text, "connection refused by 127.0.0.1 port " + std::to_string(gone.port()));
                     return failed;
                 },
                 false, FailureKind::ConnectionRefused, ""});
    r.push_back({"host_not_found", tn::Conversation(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server&) {
                     return pop.connect("no-such-host.invalid", "bob", "pw") == 1;
                 },
                 false, FailureKind::HostNotFound, "host not found: no-such-host.invalid"});
    r.push_back({"login_field_too_long", tn::Conversation(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server& server) {
                     return pop.connect(server.address(), std::string(300, 'u'), "pw") == 1;
                 },
                 false, FailureKind::Refused, "login field longer than 259 characters"});
    r.push_back({"header_of_a_message_the_server_refuses", listed().on("TOP 2 0", "-ERR no such message\r\n").quit(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server&) { return !pop.header(2); }, true,
                 FailureKind::ServerError, "the server answered: -ERR no such message"});
    r.push_back({"header_of_a_message_not_listed", listed().quit(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server&) { return !pop.header(5); }, true,
                 FailureKind::Refused, "message 5 is not in the listing of 2 messages"});
    r.push_back({"size_the_listing_left_out", logged_in().on("STAT", tn::stat_reply(1, 100)).on("LIST", tn::multi_line("+OK", {"1 lots"})).quit(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server&) { return !pop.size(1); }, true,
                 FailureKind::BadReply, "the LIST line of message 1 holds no sound size"});
    r.push_back({"stat_without_numbers", logged_in().on("STAT", "+OK many\r\n").quit(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server&) { return !pop.total(); }, true,
                 FailureKind::BadReply, "the STAT reply holds no sound count and size: +OK many"});
    r.push_back({"server_closes_mid_header", listed().expect("TOP 1 0").send("+OK\r\nFrom: a@b\r\n").close(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server&) { return !pop.header(1); }, true,
                 FailureKind::ConnectionLost, "the server closed the connection"});
    r.push_back({"delete_refused", listed().on("DELE 1", "-ERR message locked\r\n").quit(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server&) { return pop.remove(1) == 1; }, true,
                 FailureKind::ServerError, "the server answered: -ERR message locked"});
    r.push_back({"stalls_mid_listing", logged_in().on("STAT", tn::stat_reply(2, 300)).expect("LIST").send("+OK\r\n1 100\r\n").stall(),
                 [](PopMainDriver& pop, const tn::ScriptedPop3Server&) { return !pop.size(1); }, true,
                 FailureKind::NoAnswer, "no answer within 1 s"});
    return r;
}

INSTANTIATE_TEST_SUITE_P(Cases, SynchronousCause, testing::ValuesIn(cause_rows()),
                         [](const testing::TestParamInfo<CauseRow>& info) { return info.param.name; });

TEST(SynchronousCause, TheNextCallThatSucceedsClearsIt) {
    tn::ScriptedPop3Server server(listed().on("TOP 2 0", "-ERR gone\r\n").on("TOP 1 0", tn::message_reply("From: a@b\r\n\r\n")).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_FALSE(pop.header(2));
    EXPECT_EQ(pop.cause().kind, kind(FailureKind::ServerError));
    EXPECT_TRUE(pop.header(1));
    const Cause cleared = pop.cause();
    EXPECT_EQ(cleared.kind, 0);
    EXPECT_EQ(cleared.text, "");
    pop.close();
}

TEST(SynchronousCause, ADeleteThatSucceedsWithoutItsListingLeavesNoCause) {
    tn::ScriptedPop3Server server(logged_in().on("STAT", "+OK 2 lots\r\n").on("DELE 1", tn::ok()).quit());
    PopMainDriver pop;
    ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
    EXPECT_EQ(pop.remove(1), 0);
    EXPECT_EQ(pop.cause().kind, 0);
    pop.close();
}

// Asynchronous mode: the cause is in place when OnError arrives, and the QUIT of the failure
// path (here unanswered) does not replace it.
class AsynchronousCause : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pop->put_Asynchronous(1), S_OK);
        pop->put_Timeout(1);
        velmo::ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(pop->QueryInterface(IConnectionPointContainer::iid, container.put_void()), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID__IEventThreadObjEvents, point.put()), S_OK);
        sink = velmo::ComPtr<asynctest::Recorder>::adopt(new asynctest::Recorder);
        ASSERT_EQ(point->Advise(sink.get(), &cookie), S_OK);
        sink->on_event = [this](const std::string& e) {
            if (e.rfind("error", 0) == 0) in_handler = pop.cause();
        };
    }
    void TearDown() override {
        point->Unadvise(cookie);
        point.reset();
    }
    void connect(const std::string& address) {
        pop3test::Bstr s(address), u("bob"), p("pw");
        LONG ignored = 0;
        pop->Connect(s.get(), u.get(), p.get(), &ignored);
    }

    asynctest::InApartment apartment;
    PopMainDriver pop;
    velmo::ComPtr<IConnectionPoint> point;
    velmo::ComPtr<asynctest::Recorder> sink;
    DWORD cookie = 0;
    std::optional<Cause> in_handler;
};

TEST_F(AsynchronousCause, RefusedHeaderIsNamedInsideOnErrorAndStaysAfterOnClosed) {
    tn::ScriptedPop3Server server(listed().on("TOP 1 0", "-ERR message 1 was deleted by another client\r\n").expect("QUIT").stall());
    connect(server.address());
    ASSERT_TRUE(asynctest::pump_until([&] { return sink->saw("connected"); }));
    BSTR none = nullptr;
    pop->GetMsgHeader(1, &none);
    ASSERT_TRUE(asynctest::pump_until([&] { return sink->saw("closed"); }));
    ASSERT_TRUE(in_handler);
    EXPECT_EQ(in_handler->kind, kind(FailureKind::ServerError));
    EXPECT_EQ(in_handler->text, "the server answered: -ERR message 1 was deleted by another client");
    const Cause after = pop.cause();
    EXPECT_EQ(after.kind, in_handler->kind);
    EXPECT_EQ(after.text, in_handler->text);
}

TEST_F(AsynchronousCause, FailedLoginIsNamedAndANewConnectClearsIt) {
    tn::ScriptedPop3Server server(std::vector<tn::Conversation>{
        tn::Conversation().greet().on("USER bob", tn::ok()).on("PASS pw", "-ERR [AUTH] Authentication failed.\r\n").quit(),
        logged_in().quit()});
    connect(server.address());
    ASSERT_TRUE(asynctest::pump_until([&] { return sink->saw("closed"); }));
    ASSERT_TRUE(in_handler);
    EXPECT_EQ(in_handler->kind, kind(FailureKind::ServerError));
    EXPECT_EQ(in_handler->text, "the server answered: -ERR [AUTH] Authentication failed.");
    connect(server.address());
    ASSERT_TRUE(asynctest::pump_until([&] { return sink->saw("connected"); }));
    EXPECT_EQ(pop.cause().kind, 0);
}

}  // namespace
