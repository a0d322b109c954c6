// The asynchronous client over TLS: the worker, alone and behind a POPMAIN object in
// asynchronous mode, logs in to the private Dovecot's TLS listener and serves the filter's
// jobs with events; a certificate that fails the check gives the failed-login events, exactly
// as a refused connect does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "async_client.h"
#include "frame/class_table.h"
#include "frame/com_ptr.h"
#include "frame/ipopmain.h"
#include "frame/text.h"
#include "net/dovecot_fixture.h"
#include "tls_trust.h"
#include "worker_rig.h"

namespace {

using namespace asynctest;
namespace tn = halvex::testnet;
using Events = std::vector<std::string>;

// A subscribed test thread with a worker rig, as a POPMAIN object in asynchronous mode has.
struct AsyncClient {
    AsyncClient() {
        sink = velmo::ComPtr<Recorder>::adopt(new Recorder);
        DWORD cookie = 0;
        EXPECT_EQ(rig.advise(sink.get(), &cookie), S_OK);
    }
    InApartment apartment;
    WorkerRig rig;
    velmo::ComPtr<Recorder> sink;
};

class TlsAsyncDovecot : public tn::DovecotTest {};

TEST_F(TlsAsyncDovecot, LoginCountHeaderSizeDeleteAndCloseThroughEvents) {
    dovecot().maildir().add_all({tn::sample_message(1, 200), tn::sample_message(2, 9000)});
    AsyncClient client;
    auto& rig = client.rig;
    client.sink->on_event = [&](const std::string& e) {
        if (e == "connected") rig.job(velmo::kJobTotalOfMails);
        else if (e == "count 2") rig.job(velmo::kJobMsgHeader, 2);
        else if (e == "header 2") rig.job(velmo::kJobMsgSize, 2);
        else if (e.rfind("size ", 0) == 0) rig.job(velmo::kJobDelete, 2);
        else if (e == "deleted 2") rig.job(velmo::kJobClose);
    };
    rig.connect("pop3s://localhost", dovecot().tls_port(), dovecot().user().name, dovecot().user().password);
    ASSERT_TRUE(pump_until([&] { return client.sink->saw("closed"); }, 20s)) << dovecot().log();
    const Events events = client.sink->events();
    ASSERT_EQ(events.size(), 6u) << testing::PrintToString(events);
    EXPECT_EQ(events[0], "connected");
    EXPECT_EQ(events[1], "count 2");
    EXPECT_EQ(events[2], "header 2");
    EXPECT_EQ(events[3].rfind("size ", 0), 0u);
    EXPECT_EQ(events[4], "deleted 2");
    EXPECT_EQ(events[5], "closed");
    EXPECT_NE(client.sink->text().find("Subject:"), std::string::npos);
    EXPECT_EQ(dovecot().maildir().count(), 1u) << "the deletion was committed by the QUIT over TLS";
    EXPECT_FALSE(rig.connected());
}

TEST_F(TlsAsyncDovecot, RetrieveOverTlsReportsEveryChunk) {
    dovecot().maildir().add(tn::sample_message(1, 60000));
    AsyncClient client;
    client.rig.connect("pop3s://127.0.0.1", dovecot().tls_port(), dovecot().user().name, dovecot().user().password);
    ASSERT_TRUE(pump_until([&] { return client.sink->saw("connected"); }, 20s)) << dovecot().log();
    client.rig.job(velmo::kJobRetrieve, 1);
    ASSERT_TRUE(pump_until([&] { return client.sink->saw("retrieved 1"); }, 20s));
    const std::string text = client.sink->text();
    EXPECT_EQ(text.rfind("+OK", 0), 0u);
    EXPECT_EQ(client.sink->received_bytes.load(), static_cast<long>(text.size() + 5));
}

TEST(TlsAsync, ACertificateForAnotherHostGivesErrorZeroAndClosed) {
    tn::DovecotOptions options;
    options.tls = true;
    options.tls_identity = tn::TlsIdentity::other_host;
    tn::DovecotHarness dovecot(options);
    AsyncClient client;
    client.rig.connect("pop3s://localhost", dovecot.tls_port(), dovecot.user().name, dovecot.user().password);
    ASSERT_TRUE(pump_until([&] { return client.sink->saw("closed"); }, 20s));
    EXPECT_EQ(client.sink->events(), (Events{"error 0 Error with connecting server.", "closed"}));
    EXPECT_FALSE(client.rig.connected());
}

// A POPMAIN object in asynchronous mode with a subscribed recorder, as the filter holds it.
struct AsyncPopMain {
    AsyncPopMain() {
        EXPECT_EQ(velmo::create_popmain(IID_IPOPMAIN, pop.put_void()), S_OK);
        EXPECT_EQ(pop->put_Asynchronous(1), S_OK);
        velmo::ComPtr<IConnectionPointContainer> container;
        EXPECT_EQ(pop.query(container), S_OK);
        EXPECT_EQ(container->FindConnectionPoint(DIID__IEventThreadObjEvents, point.put()), S_OK);
        sink = velmo::ComPtr<Recorder>::adopt(new Recorder);
        DWORD cookie = 0;
        EXPECT_EQ(point->Advise(sink.get(), &cookie), S_OK);
    }
    void connect(const std::string& server, const std::string& user, const std::string& password) {
        BSTR s = velmo::to_bstr(server), u = velmo::to_bstr(user), p = velmo::to_bstr(password);
        LONG ignored = 0;
        EXPECT_EQ(pop->Connect(s, u, p, &ignored), S_OK);
        SysFreeString(s);
        SysFreeString(u);
        SysFreeString(p);
    }
    InApartment apartment;
    velmo::ComPtr<IPOPMAIN> pop;
    velmo::ComPtr<IConnectionPoint> point;
    velmo::ComPtr<Recorder> sink;
};

TEST_F(TlsAsyncDovecot, PopMainInAsynchronousModeFiltersOverTls) {
    dovecot().maildir().add_all({tn::sample_message(1, 200), tn::sample_message(2, 9000)});
    AsyncPopMain client;
    IPOPMAIN* pop = client.pop.get();
    client.sink->on_event = [&](const std::string& e) {
        LONG ignored = 0;
        BSTR none = nullptr;
        if (e == "connected") pop->GetTotalOfMails(&ignored);
        else if (e == "count 2") pop->GetMsgHeader(1, &none);
        else if (e == "header 1") pop->GetMsgSize(1, &ignored);
        else if (e.rfind("size ", 0) == 0) pop->Delete(1, &ignored);
        else if (e == "deleted 1") pop->Close();
    };
    client.connect("pop3s://localhost:" + std::to_string(dovecot().tls_port()), dovecot().user().name,
                   dovecot().user().password);
    ASSERT_TRUE(pump_until([&] { return client.sink->saw("closed"); }, 20s)) << dovecot().log();
    const Events events = client.sink->events();
    ASSERT_EQ(events.size(), 6u) << testing::PrintToString(events);
    EXPECT_EQ(events[0], "connected");
    EXPECT_EQ(events[1], "count 2");
    EXPECT_EQ(events[2], "header 1");
    EXPECT_EQ(events[3].rfind("size ", 0), 0u);
    EXPECT_EQ(events[4], "deleted 1");
    EXPECT_EQ(events[5], "closed");
    EXPECT_EQ(dovecot().maildir().count(), 1u);
}

TEST(TlsAsync, PopMainWithAnUntrustedCertificateGivesErrorZeroAndClosed) {
    tn::DovecotOptions options;
    options.tls = true;
    options.tls_identity = tn::TlsIdentity::self_signed;
    tn::DovecotHarness dovecot(options);
    AsyncPopMain client;
    client.connect("pop3s://localhost:" + std::to_string(dovecot.tls_port()), dovecot.user().name,
                   dovecot.user().password);
    ASSERT_TRUE(pump_until([&] { return client.sink->saw("closed"); }, 20s));
    EXPECT_EQ(client.sink->events(), (Events{"error 0 Error with connecting server.", "closed"}));
    VARIANT_BOOL connected = 5;
    EXPECT_EQ(client.pop->get_Connected(&connected), S_OK);
    EXPECT_EQ(connected, VARIANT_FALSE);
}

}  // namespace
