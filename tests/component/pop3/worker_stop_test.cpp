// The asynchronous POPMAIN stops at once and reads what it should when it should: a stop
// request ends the worker's network wait within about 250 ms (so a new Connect does not wait
// on the worker it replaces), ServerPort is read at the login (SecureConnect logging in with APOP is in popmain_async_test), OnGetMsgSize clamps like GetMsgSize, and the protocol log stays private.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "async_client.h"
#include "frame/com_ptr.h"
#include "frame/ipopmain.h"
#include "frame/text.h"
#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "net/temp_dir.h"
#include "popmain_driver.h"

namespace {

namespace tn = halvex::testnet;
namespace fs = std::filesystem;
using namespace asynctest;
using Clock = std::chrono::steady_clock;
using Events = std::vector<std::string>;

tn::Conversation logged_in() { return tn::Conversation().greet().login("bob", "pw"); }
tn::Conversation listed() {
    return logged_in().on("STAT", tn::stat_reply(1, 100)).on("LIST", tn::list_reply({100}));
}

class AsyncPopMain : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pop->put_Asynchronous(1), S_OK);
        pop->put_Timeout(30);  // a stop must not need a timeout to pass
        velmo::ComPtr<IConnectionPointContainer> container;
        ASSERT_EQ(pop->QueryInterface(IConnectionPointContainer::iid, container.put_void()), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(DIID__IEventThreadObjEvents, point.put()), S_OK);
        sink = velmo::ComPtr<Recorder>::adopt(new Recorder);
        ASSERT_EQ(point->Advise(sink.get(), &cookie), S_OK);
    }
    void TearDown() override {
        point->Unadvise(cookie);
        point.reset();
    }
    void connect(const std::string& server, bool secure = false) {
        pop3test::Bstr s(server), u("bob"), p("pw");
        LONG ignored = 0;
        if (secure)
            pop->SecureConnect(s.get(), u.get(), p.get(), &ignored);
        else
            pop->Connect(s.get(), u.get(), p.get(), &ignored);
    }
    std::size_t count(const std::string& e) const {
        std::size_t n = 0;
        for (const auto& x : sink->events()) n += x == e;
        return n;
    }

    InApartment apartment;
    pop3test::PopMainDriver pop;
    velmo::ComPtr<IConnectionPoint> point;
    velmo::ComPtr<Recorder> sink;
    DWORD cookie = 0;
};

struct StopRow {
    const char* name;
    tn::Conversation busy;  // the worker is inside a network wait on this server
    bool retrieve;          // the wait is a Retrieve (else a header)
};

class StopDuringAWait : public AsyncPopMain, public testing::WithParamInterface<StopRow> {};

// Terminate, then a new Connect at once: the new worker logs in without waiting for the old
// one's wait to time out, and the old one raises nothing more.
TEST_P(StopDuringAWait, EndsTheWaitAtOnceAndANewConnectDoesNotWait) {
    tn::ScriptedPop3Server busy(GetParam().busy);
    tn::ScriptedPop3Server next(logged_in().quit());
    connect(busy.address());
    ASSERT_TRUE(pump_until([&] { return sink->saw("connected"); }));
    BSTR none = nullptr;
    if (GetParam().retrieve) {
        pop->Retrieve(1, &none);
        ASSERT_TRUE(pump_until([&] { return count("receiving 1") >= 3; })) << testing::PrintToString(sink->main_events());
    } else {
        pop->GetMsgHeader(1, &none);
        ASSERT_TRUE(busy.wait_for_line("TOP 1 0", tn::Millis(5000)));
    }
    const auto start = Clock::now();
    EXPECT_EQ(pop->Terminate(), S_OK);
    connect(next.address());
    ASSERT_TRUE(pump_until([&] { return count("connected") == 2; }, std::chrono::seconds(5)));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    EXPECT_LT(took.count(), 600) << "the old worker's wait ends within about 250 ms";
    // The new worker ended the old session (QUIT, its reply not awaited; a flooding server
    // may lose the QUIT to the reset that closing over unread data sends).
    EXPECT_TRUE(busy.wait_client_closed(0, tn::Millis(2000)));
    for (const auto& e : sink->main_events()) EXPECT_EQ(e.rfind("error", 0), std::string::npos) << e;
    EXPECT_FALSE(sink->saw("retrieved 1"));
    EXPECT_FALSE(sink->saw("header 1"));
}

INSTANTIATE_TEST_SUITE_P(
    Waits, StopDuringAWait,
    testing::Values(StopRow{"silent_header", listed().expect("TOP 1 0").stall(), false},
                    StopRow{"trickling_header", listed().expect("TOP 1 0").send("+OK\r\n").send_endless("X: y\r\n", tn::Millis(100)), false},
                    StopRow{"endless_message", logged_in().expect("RETR 1").send("+OK\r\n").send_endless("line of a message body\r\n"), true}),
    [](const testing::TestParamInfo<StopRow>& info) { return info.param.name; });

// The worker reads ServerPort when it logs in: here after the worker it replaces has ended.
TEST_F(AsyncPopMain, ServerPortIsReadWhenTheWorkerLogsIn) {
    tn::ScriptedPop3Server busy(listed().expect("TOP 1 0").stall());
    tn::ScriptedPop3Server server(logged_in().quit());
    pop.set_port(busy.port());
    connect("127.0.0.1");
    ASSERT_TRUE(pump_until([&] { return sink->saw("connected"); }));
    BSTR none = nullptr;
    pop->GetMsgHeader(1, &none);
    ASSERT_TRUE(busy.wait_for_line("TOP 1 0", tn::Millis(5000)));
    connect("127.0.0.1");
    pop.set_port(server.port());
    ASSERT_TRUE(pump_until([&] { return count("connected") == 2 || sink->saw("error 0 Error with connecting server."); }));
    EXPECT_EQ(count("connected"), 2u) << "the second login used the port set after Connect";
    EXPECT_EQ(server.connection_count(), 1u);
}

TEST_F(AsyncPopMain, OnGetMsgSizeClampsSizesOfTwoToThe31AndMore) {
    tn::ScriptedPop3Server server(logged_in()
                                      .on("STAT", tn::stat_reply(2, 100))
                                      .on("LIST", tn::list_reply({2147483648LL, 4294967295LL}))
                                      .quit());
    connect(server.address());
    ASSERT_TRUE(pump_until([&] { return sink->saw("connected"); }));
    LONG ignored = 0;
    pop->GetMsgSize(1, &ignored);
    pop->GetMsgSize(2, &ignored);
    ASSERT_TRUE(pump_until([&] { return sink->saw("size 2147483647 2"); }));
    EXPECT_EQ(sink->main_events(), (Events{"connected", "size 2147483647 1", "size 2147483647 2"}));
}

// The log holds the password in clear: a file that existed with wider rights is narrowed, and
// a symlink in its place is not followed.
TEST(ProtocolLog, IsNarrowedTo0600AndNeverFollowsASymlink) {
    tn::TempDir dir;
    const fs::path log = dir.path() / "pop3.log";
    const fs::path target = dir.path() / "elsewhere.txt";
    const fs::path link = dir.path() / "link.log";
    { std::ofstream(log) << "old\n"; }
    { std::ofstream(target) << "untouched\n"; }
    fs::permissions(log, fs::perms(0644));
    fs::create_symlink(target, link);

    for (const fs::path& path : {log, link}) {
        tn::ScriptedPop3Server server(logged_in().quit());
        pop3test::PopMainDriver pop;
        pop.set_log(path.string());
        ASSERT_EQ(pop.connect(server.address(), "bob", "pw"), 0);
        pop.close();
    }
    struct stat st {};
    ASSERT_EQ(::stat(log.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    std::ifstream in(log);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "old");
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find("PASS pw"), std::string::npos);
    std::ifstream kept(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "untouched\n");
}

}  // namespace
