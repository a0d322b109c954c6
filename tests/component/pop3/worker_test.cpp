// The asynchronous worker against the scripted POP3 server: the events of each job and of its
// failure, the stop request, and the release of the object in the awkward moments. Events must
// arrive on the subscribing thread, one at a time.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "async_client.h"
#include "frame/com_ptr.h"
#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "worker_rig.h"

namespace {

using namespace asynctest;
using namespace halvex::testnet;
using Lines = std::vector<std::string>;
using Events = std::vector<std::string>;

class Worker : public testing::Test {
protected:
    void SetUp() override {
        sink = velmo::ComPtr<Recorder>::adopt(new Recorder);
        DWORD cookie = 0;
        ASSERT_EQ(rig.advise(sink.get(), &cookie), S_OK);
    }
    void connect(const ScriptedPop3Server& server, const std::string& password = "pw") {
        rig.connect(server.host(), server.port(), "bob", password);
    }
    bool wait_event(const std::string& e, std::chrono::milliseconds limit = 10s) {
        return pump_until([&] { return sink->saw(e); }, limit);
    }
    void expect_all_on_this_thread() {
        for (pid_t t : sink->threads()) EXPECT_EQ(t, gettid()) << "an event ran on another thread";
        EXPECT_LE(sink->most_at_once(), 1);
    }

    InApartment apartment;  // entered before the rig subscribes
    WorkerRig rig;
    velmo::ComPtr<Recorder> sink;
};

TEST_F(Worker, HeaderSizeAndDeleteInARowAnswerInOrderOnTheSubscribingThread) {
    ScriptedPop3Server server(Conversation()
                                  .greet()
                                  .login("bob", "pw")
                                  .on("STAT", stat_reply(2, 320))
                                  .on("LIST", list_reply({120, 200}))
                                  .on("TOP 1 0", message_reply("From: a@b\r\nSubject: hi\r\n\r\n"))
                                  .on("DELE 1", ok("deleted"))
                                  .quit());
    sink->linger = 5ms;
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobMsgHeader, 1);
    rig.job(velmo::kJobMsgSize, 1);
    rig.job(velmo::kJobDelete, 1);
    ASSERT_TRUE(wait_event("deleted 1"));
    rig.job(velmo::kJobClose);
    ASSERT_TRUE(wait_event("closed"));
    EXPECT_EQ(sink->events(), (Events{"connected", "header 1", "size 120 1", "deleted 1", "closed"}));
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "STAT", "LIST", "TOP 1 0", "DELE 1", "QUIT"}));
    EXPECT_FALSE(rig.connected());
    expect_all_on_this_thread();
}

TEST_F(Worker, WrongPasswordGivesErrorZeroThenClosedAndNoConnected) {
    ScriptedPop3Server server(
        Conversation().greet().on("USER bob", ok()).on("PASS wrong", err("auth failed")).quit());
    connect(server, "wrong");
    ASSERT_TRUE(wait_event("closed"));
    pump_for(100ms);
    EXPECT_EQ(sink->events(), (Events{"error 0 Error with connecting server.", "closed"}));
    EXPECT_FALSE(rig.connected());
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS wrong", "QUIT"}));
    expect_all_on_this_thread();
}

TEST_F(Worker, ARefusedDeleteEndsTheSessionAndDropsTheJobsBehindIt) {
    ScriptedPop3Server server(Conversation()
                                  .greet()
                                  .login("bob", "pw")
                                  .on("STAT", stat_reply(2, 320))
                                  .on("LIST", list_reply({120, 200}))
                                  .on("DELE 5", err("no such message"))
                                  .quit());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobDelete, 5);
    rig.job(velmo::kJobTotalOfMails);
    rig.job(velmo::kJobMsgSize, 1);
    ASSERT_TRUE(wait_event("closed"));
    pump_for(100ms);
    EXPECT_EQ(sink->events(), (Events{"connected", "error 1 Error with deleting mail.", "closed"}));
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "STAT", "LIST", "DELE 5", "QUIT"}));
    EXPECT_EQ(rig.queued_jobs(), 0u);
    EXPECT_FALSE(rig.connected());
}

struct FailRow {
    const char* name;
    std::int32_t kind;
    std::int32_t argument;
    std::string command;  // what the worker sends, answered -ERR
    std::string error;
    std::string opening = {};  // an event the job raises before it fails
};

class WorkerFailure : public Worker, public testing::WithParamInterface<FailRow> {};

TEST_P(WorkerFailure, AFailedJobReportsItsNumberAndTextThenQuitAndClosed) {
    const FailRow& row = GetParam();
    rig.set_timeout_seconds(1);  // a -ERR to RETR is only noticed when the reply stays silent
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").on(row.command, err("no")).quit());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(row.kind, row.argument);
    ASSERT_TRUE(wait_event("closed"));
    Events expected{"connected", row.error, "closed"};
    if (!row.opening.empty()) expected.insert(expected.begin() + 1, row.opening);
    EXPECT_EQ(sink->main_events(), expected);
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", row.command, "QUIT"}));
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, WorkerFailure,
    testing::Values(
        FailRow{"MsgId", velmo::kJobMsgId, 1, "STAT", "error 3 Error with getting message-id."},
        FailRow{"MsgSize", velmo::kJobMsgSize, 1, "STAT", "error 4 Error with getting message's size."},
        FailRow{"SizeOfMails", velmo::kJobSizeOfMails, 0, "STAT", "error 5 Error with getting total size of all mails."},
        FailRow{"TotalOfMails", velmo::kJobTotalOfMails, 0, "STAT", "error 6 Error with getting total count of all mails."},
        FailRow{"Noop", velmo::kJobNoop, 0, "NOOP", "error 7 Error with performing command NOOP."},
        FailRow{"Reset", velmo::kJobReset, 0, "RSET", "error 8 Error with performing command RSET."},
        FailRow{"Retrieve", velmo::kJobRetrieve, 1, "RETR 1", "error 9 Error with retreiving message.", "retrieve 1"},
        FailRow{"MsgHeader", velmo::kJobMsgHeader, 1, "STAT", "error 10 Error with getting message's header."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Worker, SuccessfulQueriesBringTheirValues) {
    ScriptedPop3Server server(Conversation()
                                  .greet()
                                  .login("bob", "pw")
                                  .on("STAT", stat_reply(2, 320))
                                  .on("STAT", stat_reply(2, 320))
                                  .on("STAT", stat_reply(2, 320))  // UIDL's own, once per connection
                                  .on("UIDL", uidl_reply({"aaa", "bbb"}))
                                  .quit());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobTotalOfMails);
    rig.job(velmo::kJobSizeOfMails);
    rig.job(velmo::kJobMsgId, 2);
    rig.job(velmo::kJobClose);
    ASSERT_TRUE(wait_event("closed"));
    EXPECT_EQ(sink->events(), (Events{"connected", "count 2", "total size 320", "id bbb 2", "closed"}));
}

TEST_F(Worker, RetrieveReportsEachChunkAndKeepsTheStatusLine) {
    std::string body;
    for (int i = 0; i < 40; ++i) body += "line " + std::to_string(i) + " of the message body\r\n";
    const std::string reply = "+OK 1234 octets\r\nSubject: x\r\n\r\n" + body + "..dotted\r\n.\r\n";
    ScriptedPop3Server server(Conversation()
                                  .greet()
                                  .login("bob", "pw")
                                  .expect("RETR 1")
                                  .send_chunked(reply, 400, 60ms)
                                  .quit());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobRetrieve, 1);
    ASSERT_TRUE(wait_event("retrieved 1"));
    auto events = sink->events();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[1], "retrieve 1");
    EXPECT_EQ(events.back(), "retrieved 1");
    size_t chunks = 0;
    for (size_t i = 2; i + 1 < events.size(); ++i) {
        EXPECT_EQ(events[i], "receiving 1");
        ++chunks;
    }
    EXPECT_GE(chunks, 2u) << "the reply came in several chunks";
    EXPECT_EQ(sink->received_bytes.load(), static_cast<long>(reply.size()));
    EXPECT_EQ(sink->text(), reply.substr(0, reply.size() - 5));
    EXPECT_TRUE(rig.connected());
    expect_all_on_this_thread();
}

TEST_F(Worker, RetrieveDropsWhatTheServerSendsAfterTheTerminator) {
    const std::string reply = "+OK\r\nSubject: x\r\n\r\nbody\r\n.\r\n";
    ScriptedPop3Server server(Conversation()
                                  .greet()
                                  .login("bob", "pw")
                                  .expect("RETR 1")
                                  .send(reply + "+OK stray line\r\nmore junk")
                                  .quit());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobRetrieve, 1);
    ASSERT_TRUE(wait_event("retrieved 1"));
    EXPECT_EQ(sink->text(), reply.substr(0, reply.size() - 5));
    expect_all_on_this_thread();
}

TEST_F(Worker, NoopAndResetRaiseNothingAndCloseEndsWithQuitAndClosed) {
    ScriptedPop3Server server(
        Conversation().greet().login("bob", "pw").on("NOOP", ok()).on("RSET", ok()).quit());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobNoop);
    rig.job(velmo::kJobReset);
    rig.job(velmo::kJobClose);
    ASSERT_TRUE(wait_event("closed"));
    EXPECT_EQ(sink->events(), (Events{"connected", "closed"}));
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "NOOP", "RSET", "QUIT"}));
    EXPECT_TRUE(server.wait_client_closed(0, 2000ms));
}

TEST_F(Worker, TerminateDuringAWaitingStatRaisesNothingMoreAndKeepsTheSession) {
    ScriptedPop3Server server(
        Conversation().greet().login("bob", "pw").expect("STAT").pause(400ms).send(stat_reply(2, 320)));
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobTotalOfMails);
    ASSERT_TRUE(server.wait_for_line("STAT", 5000ms));
    rig.terminate();
    pump_for(900ms);  // the reply is in long before this ends
    EXPECT_EQ(sink->events(), (Events{"connected"}));
    EXPECT_TRUE(rig.connected());
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "STAT"}));
}

TEST_F(Worker, JobsQueuedBeforeConnectAreDropped) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").quit());
    rig.job(velmo::kJobTotalOfMails);
    rig.job(velmo::kJobDelete, 1);
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    pump_for(200ms);
    rig.job(velmo::kJobClose);
    ASSERT_TRUE(wait_event("closed"));
    EXPECT_EQ(sink->events(), (Events{"connected", "closed"}));
    EXPECT_EQ(server.lines(), (Lines{"USER bob", "PASS pw", "QUIT"}));
}

TEST_F(Worker, AfterClosedCallsOnlyFillTheQueueUntilTheNextConnectDropsThem) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").quit());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobClose);
    ASSERT_TRUE(wait_event("closed"));
    pump_for(200ms);  // the worker has ended
    rig.job(velmo::kJobTotalOfMails);
    pump_for(200ms);
    EXPECT_EQ(rig.queued_jobs(), 1u) << "nothing takes jobs between sessions";
    EXPECT_EQ(sink->events(), (Events{"connected", "closed"}));
    connect(server);
    ASSERT_TRUE(pump_until([&] { return sink->events().size() == 3; }));
    pump_for(200ms);
    EXPECT_EQ(sink->events(), (Events{"connected", "closed", "connected"}));
    EXPECT_EQ(server.lines(1), (Lines{"USER bob", "PASS pw"}));
}

TEST_F(Worker, AnIdleWorkerTakesANewJobAtOnce) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").on("STAT", stat_reply(1, 9)).quit());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    pump_for(300ms);  // idle
    auto start = std::chrono::steady_clock::now();
    rig.job(velmo::kJobTotalOfMails);
    ASSERT_TRUE(wait_event("count 1"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
}

TEST_F(Worker, ConnectWhileTheOldWorkerWaitsNeverBlocksAndTheNewOneWaitsForIt) {
    ScriptedPop3Server server(std::vector<Conversation>{
        Conversation().greet().login("bob", "pw").expect("STAT").pause(600ms).send(stat_reply(2, 320)).quit(),
        Conversation().greet().login("bob", "pw").quit()});
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobTotalOfMails);
    ASSERT_TRUE(server.wait_for_line("STAT", 5000ms));
    auto start = std::chrono::steady_clock::now();
    connect(server);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms) << "Connect blocked its caller";
    ASSERT_TRUE(pump_until([&] { return sink->events().size() == 2; }));
    pump_for(100ms);
    EXPECT_EQ(sink->events(), (Events{"connected", "connected"}));
    // The new worker took the session only after the old one's STAT had its reply: then it
    // ended the old connection with QUIT, and no second connection overlapped the first.
    EXPECT_EQ(server.lines(0), (Lines{"USER bob", "PASS pw", "STAT", "QUIT"}));
    EXPECT_EQ(server.lines(1), (Lines{"USER bob", "PASS pw"}));
    EXPECT_TRUE(rig.connected());
}

TEST_F(Worker, ReleaseWhileAnEventWaitsForTheReleasingThreadEndsQuicklyWithQuit) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").quit());
    connect(server);
    ASSERT_TRUE(server.wait_for_line("PASS pw", 5000ms));
    std::this_thread::sleep_for(200ms);  // OnConnected now waits for this thread, which does not pump
    auto took = rig.release();
    EXPECT_LT(took, 2000ms);
    EXPECT_TRUE(server.wait_for_line("QUIT", 2000ms));
    pump_for(50ms);
    EXPECT_TRUE(sink->events().empty()) << "an event ran after the release";
}

TEST_F(Worker, ReleaseWhileTheWorkerWaitsOnASilentServerEndsWithinTwoSeconds) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").expect("STAT").stall());
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobTotalOfMails);
    ASSERT_TRUE(server.wait_for_line("STAT", 5000ms));
    auto took = rig.release();
    EXPECT_LT(took, 2000ms);
    EXPECT_TRUE(server.wait_for_line("QUIT", 1000ms)) << "a standing session ends with QUIT";
    EXPECT_EQ(sink->events(), (Events{"connected"}));
}

TEST_F(Worker, ReleaseWhileTheLoginWaitsForAGreetingEndsWithinTwoSeconds) {
    ScriptedPop3Server server(Conversation::silent());
    connect(server);
    ASSERT_TRUE(server.wait_for_connections(1, 5000ms));
    EXPECT_LT(rig.release(), 2000ms);
    EXPECT_TRUE(sink->events().empty());
}

TEST_F(Worker, ReleaseFromInsideAHandlerDoesNotDeadlock) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").on("STAT", stat_reply(3, 30)).quit());
    std::chrono::milliseconds took{-1};
    sink->on_event = [&](const std::string& e) {
        if (e == "count 3") took = rig.release();
    };
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobTotalOfMails);
    ASSERT_TRUE(wait_event("count 3"));
    EXPECT_GE(took.count(), 0);
    EXPECT_LT(took, 2000ms);
    EXPECT_TRUE(server.wait_for_line("QUIT", 2000ms));
}

TEST_F(Worker, AnEventLoopHostRunsTheEventsWhenTheWakeHookCallsIt) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").on("STAT", stat_reply(4, 44)).quit());
    // The host's loop sleeps until the hook posts to it, then pumps without waiting.
    std::mutex m;
    std::condition_variable posted;
    int wakes = 0;
    velmo::Apartment::current()->set_wake_hook([&] {
        std::lock_guard lock(m);
        ++wakes;
        posted.notify_all();
    });
    sink->on_event = [&](const std::string& e) {
        if (e == "connected") rig.job(velmo::kJobTotalOfMails);
        if (e == "count 4") rig.job(velmo::kJobClose);
    };
    connect(server);
    int handled = 0;
    auto until = std::chrono::steady_clock::now() + 10s;
    while (!sink->saw("closed") && std::chrono::steady_clock::now() < until) {
        std::unique_lock lock(m);
        if (!posted.wait_for(lock, 100ms, [&] { return wakes > handled; })) continue;
        ++handled;
        lock.unlock();
        velmo::Apartment::pump(std::chrono::milliseconds(0));
    }
    velmo::Apartment::current()->set_wake_hook(nullptr);
    EXPECT_EQ(sink->events(), (Events{"connected", "count 4", "closed"}));
    EXPECT_EQ(wakes, 3) << "one wake per event";
    expect_all_on_this_thread();
}

TEST_F(Worker, AListenerWithoutApartmentIsCalledOnTheWorkerInOrder) {
    ScriptedPop3Server server(Conversation().greet().login("bob", "pw").on("STAT", stat_reply(1, 5)).quit());
    auto plain = velmo::ComPtr<Recorder>::adopt(new Recorder);
    std::thread subscriber([&] {  // a thread without apartment
        DWORD cookie;
        EXPECT_EQ(rig.advise(plain.get(), &cookie), S_OK);
    });
    subscriber.join();
    connect(server);
    ASSERT_TRUE(wait_event("connected"));
    rig.job(velmo::kJobTotalOfMails);
    rig.job(velmo::kJobClose);
    ASSERT_TRUE(pump_until([&] { return plain->saw("closed") && sink->saw("closed"); }));
    EXPECT_EQ(plain->events(), (Events{"connected", "count 1", "closed"}));
    for (pid_t t : plain->threads()) EXPECT_NE(t, gettid());
    expect_all_on_this_thread();
}

}  // namespace
