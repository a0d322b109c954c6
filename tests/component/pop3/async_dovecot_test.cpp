// The asynchronous client against the private Dovecot: a client thread that subscribes and
// pumps drives a whole session through events alone, as the filter cycle does.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "async_client.h"
#include "frame/com_ptr.h"
#include "net/dovecot_fixture.h"
#include "net/raw_pop3_client.h"
#include "worker_rig.h"

namespace {

using namespace asynctest;
using namespace halvex::testnet;
using Events = std::vector<std::string>;

class AsyncDovecot : public DovecotTest {
protected:
    void SetUp() override {
        DovecotTest::SetUp();
        if (HasFatalFailure()) return;
        sink = velmo::ComPtr<Recorder>::adopt(new Recorder);
        DWORD cookie = 0;
        ASSERT_EQ(rig.advise(sink.get(), &cookie), S_OK);
    }
    void connect(const std::string& password) {
        rig.connect("127.0.0.1", dovecot().port(), dovecot().user().name, password);
    }

    InApartment apartment;
    WorkerRig rig;
    velmo::ComPtr<Recorder> sink;
};

TEST_F(AsyncDovecot, ASubscribedThreadDrivesAWholeSessionThroughEventsAlone) {
    dovecot().maildir().add_all({sample_message(1), sample_message(2, 900)});
    int count = 0;
    int current = 0;
    // Each event answers with the next request, one at a time.
    sink->on_event = [&](const std::string& e) {
        if (e == "connected") {
            rig.job(velmo::kJobTotalOfMails);
        } else if (e.rfind("count ", 0) == 0) {
            count = std::stoi(e.substr(6));
            current = 1;
            rig.job(velmo::kJobMsgHeader, current);
        } else if (e.rfind("header ", 0) == 0) {
            rig.job(velmo::kJobMsgSize, current);
        } else if (e.rfind("size ", 0) == 0) {
            if (current == 1)
                rig.job(velmo::kJobDelete, current);
            else
                rig.job(velmo::kJobClose);
        } else if (e.rfind("deleted ", 0) == 0) {
            ++current;
            rig.job(velmo::kJobMsgHeader, current);
        }
    };
    connect(dovecot().user().password);
    ASSERT_TRUE(pump_until([&] { return sink->saw("closed"); }, 20s)) << dovecot().log();
    auto events = sink->events();
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[0], "connected");
    EXPECT_EQ(events[1], "count 2");
    EXPECT_EQ(events[2], "header 1");
    EXPECT_EQ(events[3].rfind("size ", 0), 0u);
    EXPECT_EQ(events[4], "deleted 1");
    EXPECT_EQ(events[5], "header 2");
    EXPECT_EQ(events[6].rfind("size ", 0), 0u);
    EXPECT_EQ(events[6].substr(events[6].size() - 2), " 2");
    EXPECT_EQ(events[7], "closed") << "no error on the way";
    EXPECT_EQ(count, 2);
    EXPECT_NE(sink->text().find("Subject:"), std::string::npos);
    EXPECT_EQ(sink->text().find("\r\n\r\n"), std::string::npos) << "the header ends before the blank line";
    for (pid_t t : sink->threads()) EXPECT_EQ(t, gettid());
    EXPECT_LE(sink->most_at_once(), 1);
    EXPECT_EQ(dovecot().maildir().count(), 1u) << "the deleted message is gone after QUIT";
    EXPECT_FALSE(rig.connected());
}

// The user's mail client deletes message 1 after the listing and before its header is asked
// for: the refusal ends the request at once, not after the timeout, and message 2 is still
// there for the next session.
TEST_F(AsyncDovecot, AMessageDeletedByAnotherClientBetweenListAndTopFailsAtOnce) {
    dovecot().maildir().add_all({sample_message(1), sample_message(2)});
    rig.set_timeout_seconds(30);
    connect(dovecot().user().password);
    ASSERT_TRUE(pump_until([&] { return sink->saw("connected"); }, 20s)) << dovecot().log();
    rig.job(velmo::kJobMsgSize, 1);  // STAT and LIST
    ASSERT_TRUE(pump_until([&] { return sink->events().size() >= 2; }, 20s));
    {
        RawPop3Client other(Family::v4, dovecot().port());
        ASSERT_TRUE(other.read_line());
        ASSERT_TRUE(other.command("USER " + dovecot().user().name));
        ASSERT_TRUE(other.command("PASS " + dovecot().user().password));
        auto deleted = other.command("DELE 1");
        ASSERT_TRUE(deleted && deleted->rfind("+OK", 0) == 0) << (deleted ? *deleted : "no reply");
        ASSERT_TRUE(other.command("QUIT"));
    }
    ASSERT_EQ(dovecot().maildir().count(), 1u);
    const auto start = std::chrono::steady_clock::now();
    rig.job(velmo::kJobMsgHeader, 1);
    ASSERT_TRUE(pump_until([&] { return sink->saw("closed"); }, 20s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s) << "the refusal was seen at once";
    EXPECT_TRUE(sink->saw("error 10 Error with getting message's header.")) << testing::PrintToString(sink->events());
    EXPECT_EQ(rig.cause().kind, velmo::FailureKind::ServerError);
    EXPECT_EQ(rig.cause().text.rfind("the server answered: -ERR", 0), 0u) << rig.cause().text;
}

TEST_F(AsyncDovecot, AWrongPasswordGivesErrorZeroAndClosed) {
    connect("not the password");
    ASSERT_TRUE(pump_until([&] { return sink->saw("closed"); }, 20s));
    EXPECT_EQ(sink->events(), (Events{"error 0 Error with connecting server.", "closed"}));
    EXPECT_FALSE(rig.connected());
}

TEST_F(AsyncDovecot, RetrieveBringsTheWholeReplyWithItsStatusLine) {
    dovecot().maildir().add(sample_message(1, 30000));
    connect(dovecot().user().password);
    ASSERT_TRUE(pump_until([&] { return sink->saw("connected"); }, 20s)) << dovecot().log();
    rig.job(velmo::kJobRetrieve, 1);
    ASSERT_TRUE(pump_until([&] { return sink->saw("retrieved 1"); }, 20s));
    const std::string text = sink->text();
    EXPECT_EQ(text.rfind("+OK", 0), 0u);
    EXPECT_NE(text.find("Subject:"), std::string::npos);
    EXPECT_EQ(sink->received_bytes.load(), static_cast<long>(text.size() + 5));
    EXPECT_EQ(sink->main_events(), (Events{"connected", "retrieve 1", "retrieved 1"}));
    EXPECT_LT(rig.release(), std::chrono::milliseconds(2000));
}

}  // namespace
