// DELE sent ahead with each RETR (IPOPRAW DeleteAhead): the client sees what it sees without,
// a mark that no Delete took is undone before anything else reaches the server, and where the
// undo fails the session ends without QUIT, so the server removes nothing.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "async_client.h"
#include "frame/com_ptr.h"
#include "net/dovecot_fixture.h"
#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"
#include "net/temp_dir.h"
#include "worker_rig.h"

namespace {

using namespace asynctest;
using namespace halvex::testnet;
using Events = std::vector<std::string>;

struct Walked {
    Events events;
    std::string log;  // the protocol log: every command as sent
    std::string id3;  // the unique id got at Delete(3)
};

// A worker that keeps what it retrieves and asks ids, with DELE sent ahead or not, driven one
// request per event by `next` (the event's line; nothing to do: no request).
struct AheadClient {
    explicit AheadClient(bool ahead) {
        EXPECT_EQ(rig.advise(sink.get(), &cookie), S_OK);
        rig.kept().set_keep(true);
        rig.kept().set_ask_ids(true);
        rig.kept().set_delete_ahead(ahead);
    }
    // Runs a session to its OnClosed; false when it did not end in time.
    bool run(const std::string& host, std::uint16_t port, const std::string& user, const std::string& password,
             const std::function<void(const std::string&)>& next) {
        sink->on_event = next;
        rig.connect(host, port, user, password);
        return pump_until([&] { return sink->saw("closed"); }, 20s);
    }

    InApartment apartment;
    WorkerRig rig;
    velmo::ComPtr<Recorder> sink = velmo::ComPtr<Recorder>::adopt(new Recorder);
    DWORD cookie = 0;
};

// Retrieve 1, Delete 1; Retrieve 2 with no Delete (its copy failed, say); Retrieve 3, Delete 3;
// Close: each request made when the one before is answered, as the filter cycle makes them.
Walked walk(const std::string& host, std::uint16_t port, const std::string& user, const std::string& password,
            bool ahead) {
    TempDir dir("halvex-ahead-");
    AheadClient client(ahead);
    WorkerRig& rig = client.rig;
    const std::string log = (dir.path() / "pop3.log").string();
    rig.session().set_log_file_name(log);
    EXPECT_TRUE(client.run(host, port, user, password, [&](const std::string& e) {
        if (e == "connected") rig.job(velmo::kJobRetrieve, 1);
        else if (e == "retrieved 1") rig.job(velmo::kJobDelete, 1);
        else if (e == "deleted 1") rig.job(velmo::kJobRetrieve, 2);
        else if (e == "retrieved 2") rig.job(velmo::kJobMsgHeader, 3);
        else if (e == "header 3") rig.job(velmo::kJobRetrieve, 3);
        else if (e == "retrieved 3") rig.job(velmo::kJobDelete, 3);
        else if (e == "deleted 3") rig.job(velmo::kJobClose);
    }));
    rig.release();
    std::ostringstream text;
    text << std::ifstream(log).rdbuf();
    return {client.sink->main_events(), text.str(), rig.kept().unique_id(3).value_or("")};
}

class DeleteAheadDovecot : public DovecotTest {};

TEST_F(DeleteAheadDovecot, SameEventsAndTheMessageWithoutDeleteStays) {
    Walked runs[2];
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "ahead" : "one at a time");
        dovecot().maildir().clear();
        dovecot().maildir().add_all({sample_message(1), sample_message(2), sample_message(3)});
        runs[ahead] = walk("127.0.0.1", dovecot().port(), dovecot().user().name, dovecot().user().password, ahead);
        const std::vector<std::string> left = dovecot().maildir().messages();
        ASSERT_EQ(left.size(), 1u) << runs[ahead].log;
        EXPECT_NE(left[0].find("Subject: Test message 2\n"), std::string::npos);
        EXPECT_FALSE(runs[ahead].id3.empty());
    }
    EXPECT_EQ(runs[1].events, runs[0].events);
    EXPECT_EQ(runs[0].log.find("RSET"), std::string::npos);
    EXPECT_NE(runs[1].log.find("RETR 1\r\nUIDL 1\r\nDELE 1\r\n"), std::string::npos) << runs[1].log;
    EXPECT_NE(runs[1].log.find("RSET\r\n"), std::string::npos) << "the mark of message 2 was undone";
}

// A server that refuses the RSET of the undo: the marks are in doubt, so no QUIT is sent.
TEST(DeleteAhead, AnUndoThatFailsEndsTheSessionWithoutQuit) {
    Conversation c;
    c.greet().on("CAPA", "+OK\r\nPIPELINING\r\n.\r\n").login("bob", "pw");
    c.on("STAT", stat_reply(1, 30)).on("LIST", list_reply({30}));
    c.on("RETR 1", "+OK\r\nSubject: a\r\n\r\nbody\r\n.\r\n").on("DELE 1", ok());
    c.on("RSET", err("not now")).stall();
    ScriptedPop3Server server(c);
    AheadClient client(true);
    WorkerRig& rig = client.rig;
    ASSERT_TRUE(client.run(server.host(), server.port(), "bob", "pw", [&](const std::string& e) {
        if (e == "connected") rig.job(velmo::kJobRetrieve, 1);
        else if (e == "retrieved 1") rig.job(velmo::kJobClose);
    })) << testing::PrintToString(client.sink->events());
    ASSERT_TRUE(server.wait_client_closed(0, 5000ms));
    const std::vector<std::string> lines = server.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "RSET") << testing::PrintToString(lines);
    EXPECT_FALSE(rig.kept().quit_confirmed());
}

}  // namespace
