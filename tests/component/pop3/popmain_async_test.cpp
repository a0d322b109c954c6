// POPMAIN in asynchronous mode, seen only through its interfaces: the connection point it
// offers, methods that return at once, the events they bring, and its release at awkward moments.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "async_client.h"
#include "frame/class_table.h"
#include "frame/com_ptr.h"
#include "frame/ipopmain.h"
#include "frame/text.h"
#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "pop3/md5.h"

namespace {

using namespace asynctest;
using namespace halvex::testnet;
using velmo::ComPtr;
using Lines = std::vector<std::string>;
using Events = std::vector<std::string>;

// A BSTR argument that frees itself.
struct Text {
    explicit Text(const std::string& s) : b(velmo::to_bstr(s)) {}
    ~Text() { SysFreeString(b); }
    BSTR b;
};

class PopMainAsync : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(velmo::create_popmain(IID_IPOPMAIN, pop.put_void()), S_OK);
        ASSERT_EQ(pop->put_Asynchronous(1), S_OK);
        ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(pop.query(container), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID__IEventThreadObjEvents, point.put()), S_OK);
        sink = ComPtr<Recorder>::adopt(new Recorder);
        ASSERT_EQ(point->Advise(sink.get(), &cookie), S_OK);
    }
    void TearDown() override { point.reset(); }

    LONG connect(const ScriptedPop3Server& server, const std::string& user = "bob",
                 const std::string& password = "pw", bool secure = false) {
        Text s(server.address()), u(user), p(password);
        LONG result = 77;
        HRESULT hr = secure ? pop->SecureConnect(s.b, u.b, p.b, &result) : pop->Connect(s.b, u.b, p.b, &result);
        EXPECT_EQ(hr, S_OK);
        return result;
    }
    bool wait_event(const std::string& e, std::chrono::milliseconds limit = 10s) {
        return pump_until([&] { return sink->saw(e); }, limit);
    }
    VARIANT_BOOL connected() {
        VARIANT_BOOL v = 5;
        EXPECT_EQ(pop->get_Connected(&v), S_OK);
        return v;
    }
    // Releases the object's last reference; returns how long that took.
    std::chrono::milliseconds release() {
        point.reset();
        auto start = std::chrono::steady_clock::now();
        pop.reset();
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }

    InApartment apartment;
    ComPtr<IPOPMAIN> pop;
    ComPtr<IConnectionPoint> point;
    ComPtr<Recorder> sink;
    DWORD cookie = 0;
};

TEST_F(PopMainAsync, OffersOneConnectionPointForTheEventInterface) {
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(pop.query(container), S_OK);
    ComPtr<IConnectionPoint> other;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, other.put()), CONNECT_E_NOCONNECTION);
    EXPECT_FALSE(other);
    IID iid{};
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, DIID__IEventThreadObjEvents);
    EXPECT_EQ(point->Unadvise(cookie + 100), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(point->Unadvise(cookie), S_OK);
    EXPECT_EQ(point->Advise(sink.get(), &cookie), S_OK);
}

// The enumerators: one connection point, and one connection per subscription with its cookie.
TEST_F(PopMainAsync, EnumeratesItsConnectionPointAndConnections) {
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(pop.query(container), S_OK);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
    IConnectionPoint* got[2] = {nullptr, nullptr};
    ULONG fetched = 7;
    EXPECT_EQ(points->Next(2, got, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(got[0], point.get());
    got[0]->Release();
    EXPECT_EQ(points->Next(1, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(points->Reset(), S_OK);
    EXPECT_EQ(points->Skip(2), S_FALSE);

    ComPtr<Recorder> second = ComPtr<Recorder>::adopt(new Recorder);
    DWORD second_cookie = 0;
    ASSERT_EQ(point->Advise(second.get(), &second_cookie), S_OK);
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
    ASSERT_EQ(point->Unadvise(second_cookie), S_OK);  // the snapshot keeps its own references
    CONNECTDATA data[3] = {};
    EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].dwCookie, cookie);
    EXPECT_EQ(data[1].dwCookie, second_cookie);
    for (ULONG i = 0; i < fetched; ++i) {
        ASSERT_NE(data[i].pUnk, nullptr);
        data[i].pUnk->Release();
    }
    ComPtr<IEnumConnections> clone;
    ASSERT_EQ(connections->Clone(clone.put()), S_OK);
    EXPECT_EQ(clone->Next(1, data, &fetched), S_FALSE) << "the clone starts where the original stood";
    EXPECT_EQ(clone->Reset(), S_OK);
    ASSERT_EQ(clone->Next(1, data, nullptr), S_OK);
    data[0].pUnk->Release();
}

TEST_F(PopMainAsync, MethodsReturnAtOnceWithResultsUntouchedAndEventsBringTheValues) {
    ScriptedPop3Server server(Conversation()
                                  .greet()
                                  .login("bob", "pw")
                                  .on("STAT", stat_reply(2, 320))
                                  .on("STAT", stat_reply(2, 320))
                                  .on("LIST", list_reply({120, 200}))
                                  .on("TOP 1 0", message_reply("From: a@b\r\nSubject: hi\r\n\r\n"))
                                  .on("DELE 1", ok())
                                  .quit());
    EXPECT_EQ(connect(server), 77) << "the result of an asynchronous Connect is not written";
    ASSERT_TRUE(wait_event("connected"));
    LONG count = 77;
    EXPECT_EQ(pop->GetTotalOfMails(&count), S_OK);
    EXPECT_EQ(count, 77);
    BSTR header = nullptr;
    EXPECT_EQ(pop->GetMsgHeader(1, &header), S_OK);
    EXPECT_EQ(header, nullptr);
    LONG size = 77, deleted = 77;
    EXPECT_EQ(pop->GetMsgSize(1, &size), S_OK);
    EXPECT_EQ(pop->Delete(1, &deleted), S_OK);
    EXPECT_EQ(size, 77);
    EXPECT_EQ(deleted, 77);
    EXPECT_EQ(pop->Close(), S_OK);
    ASSERT_TRUE(wait_event("closed"));
    EXPECT_EQ(sink->events(), (Events{"connected", "count 2", "header 1", "size 120 1", "deleted 1", "closed"}));
    EXPECT_EQ(sink->text(), "From: a@b\r\nSubject: hi\r\n");
    for (pid_t t : sink->threads()) EXPECT_EQ(t, gettid());
    EXPECT_EQ(connected(), VARIANT_FALSE);
}

TEST_F(PopMainAsync, ConnectedReadsTrueWhileTheWorkerStillLogsIn) {
    ScriptedPop3Server server(Conversation().pause(500ms).greet().login("bob", "pw").quit());
    connect(server);
    ASSERT_TRUE(server.wait_for_connections(1, 5000ms));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(connected(), VARIANT_TRUE);
    EXPECT_TRUE(sink->events().empty());
    ASSERT_TRUE(wait_event("connected"));
    EXPECT_EQ(connected(), VARIANT_TRUE);
}

// SecureConnect logs in with APOP in this mode too: the password never goes out in clear.
TEST_F(PopMainAsync, SecureConnectLogsInWithApop) {
    const std::string stamp = "<1896.697170952@dbc.mtview.ca.us>";
    const std::string apop = "APOP bob " + velmo::md5_hex(stamp + "pw");
    ScriptedPop3Server server(Conversation().greet_apop(stamp).on(apop, ok()).quit());
    connect(server, "bob", "pw", true);
    ASSERT_TRUE(wait_event("connected"));
    EXPECT_EQ(pop->Close(), S_OK);
    ASSERT_TRUE(wait_event("closed"));
    EXPECT_EQ(server.lines(), (Lines{apop, "QUIT"}));
}

TEST_F(PopMainAsync, AUserNameTooLongForItsFieldFailsTheLoginWithoutContactingTheServer) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").quit());
    connect(server, std::string(300, 'u'));
    ASSERT_TRUE(wait_event("closed"));
    EXPECT_EQ(sink->events(), (Events{"error 0 Error with connecting server.", "closed"}));
    EXPECT_EQ(server.connection_count(), 0u);
}

TEST_F(PopMainAsync, TerminateDuringAWaitingStatLeavesTheSessionStanding) {
    ScriptedPop3Server server(
        Conversation().greet().login("bob", "pw").expect("STAT").pause(400ms).send(stat_reply(2, 320)));
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    LONG count = 0;
    pop->GetTotalOfMails(&count);
    ASSERT_TRUE(server.wait_for_line("STAT", 5000ms));
    EXPECT_EQ(pop->Terminate(), S_OK);
    pump_for(900ms);
    EXPECT_EQ(sink->events(), (Events{"connected"}));
    EXPECT_EQ(connected(), VARIANT_TRUE);
}

TEST_F(PopMainAsync, TerminateWithoutWorkerDoesNothingInEitherMode) {
    EXPECT_EQ(pop->Terminate(), S_OK);
    EXPECT_EQ(pop->put_Asynchronous(0), S_OK);
    EXPECT_EQ(pop->Terminate(), S_OK);
}

TEST_F(PopMainAsync, ReleaseWhileOnConnectedWaitsForTheReleasingThread) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").quit());
    connect(server);
    ASSERT_TRUE(server.wait_for_line("PASS pw", 5000ms));
    std::this_thread::sleep_for(200ms);  // the event waits: this thread does not pump
    EXPECT_LT(release(), 2000ms);
    EXPECT_TRUE(server.wait_for_line("QUIT", 2000ms));
    pump_for(50ms);
    EXPECT_TRUE(sink->events().empty());
}

TEST_F(PopMainAsync, ReleaseWhileTheWorkerWaitsOnASilentServer) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").expect("RETR 1").stall());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    BSTR text = nullptr;
    pop->Retrieve(1, &text);
    ASSERT_TRUE(wait_event("retrieve 1"));  // raised before RETR goes out
    ASSERT_TRUE(server.wait_for_line("RETR 1", 5000ms));
    EXPECT_LT(release(), 2000ms);
    EXPECT_TRUE(server.wait_for_line("QUIT", 1000ms));
    EXPECT_EQ(sink->main_events(), (Events{"connected", "retrieve 1"}));
}

TEST_F(PopMainAsync, ReleaseFromTheOnClosedHandler) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").quit());
    std::chrono::milliseconds took{-1};
    sink->on_event = [&](const std::string& e) {
        if (e == "closed") took = release();
    };
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    pop->Close();
    ASSERT_TRUE(wait_event("closed"));
    EXPECT_GE(took.count(), 0);
    EXPECT_LT(took, 2000ms);
}

}  // namespace
