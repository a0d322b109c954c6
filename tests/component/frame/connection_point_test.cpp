// The event connection point: subscriptions and their failures, the exact form of each event
// call, the order of listeners, and which thread each listener is called on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "frame/connection_point.h"
#include "frame/event_sink.h"
#include "frame/events.h"
#include "frame/identifiers.h"
#include "frame/text.h"

namespace {

using namespace std::chrono_literals;
using velmo::Apartment;
using velmo::ComPtr;
using velmo::EventArg;
using velmo::EventConnectionPoint;

// The container that owns a connection point; counts its references.
class Container final : public IConnectionPointContainer {
public:
    explicit Container(size_t limit = EventConnectionPoint::kDefaultListenerLimit) : point(this, limit) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid != IID_IUnknown && riid != IID_IConnectionPointContainer) return *ppv = nullptr, E_NOINTERFACE;
        AddRef();
        return *ppv = this, S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
    std::atomic<ULONG> refs{1};
    EventConnectionPoint point;
};

// One call as a listener saw it.
struct Seen {
    DISPID id;
    bool null_iid;
    LCID lcid;
    WORD flags;
    std::vector<VARTYPE> types;  // as passed, reverse order
    std::vector<std::string> values;
    BSTR first_text = nullptr;  // the pointer of the first BSTR argument
    bool result_given;
    pid_t thread;
};

// A bare IDispatch listener that records every call; offers DIID or only IDispatch.
class Recorder final : public IDispatch {
public:
    explicit Recorder(bool offers_event_iid = true, bool offers_dispatch = true)
        : event_iid_(offers_event_iid), dispatch_(offers_dispatch) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        bool ok = riid == IID_IUnknown || (dispatch_ && riid == IID_IDispatch) ||
                  (event_iid_ && riid == DIID__IEventThreadObjEvents);
        if (!ok) return E_NOINTERFACE;
        AddRef();
        return *ppv = static_cast<IDispatch*>(this), S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* p, VARIANT* result,
                   EXCEPINFO*, UINT*) override {
        Seen s{id, riid == IID_NULL, lcid, flags, {}, {}, nullptr, result != nullptr, gettid()};
        for (UINT i = 0; i < p->cArgs; ++i) {
            const VARIANT& v = p->rgvarg[i];
            s.types.push_back(v.vt);
            if (v.vt == VT_BSTR) {
                s.values.push_back(velmo::to_utf8(v.bstrVal));
                if (!s.first_text) s.first_text = v.bstrVal;
            } else {
                s.values.push_back(std::to_string(v.lVal));
            }
        }
        if (result) {  // a listener may hand back a value: the caller must clear it
            result->vt = VT_BSTR;
            result->bstrVal = velmo::to_bstr("ignored");
        }
        {
            std::lock_guard lock(mutex);
            seen.push_back(s);
        }
        if (on_invoke) on_invoke();
        return fail ? E_FAIL : S_OK;
    }
    std::vector<Seen> calls() {
        std::lock_guard lock(mutex);
        return seen;
    }
    std::atomic<ULONG> refs{1};
    std::function<void()> on_invoke;
    bool fail = false;

private:
    bool event_iid_, dispatch_;
    std::mutex mutex;
    std::vector<Seen> seen;
};

// An object that is not a listener at all.
class NotASink final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        return *ppv = this, S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
};

const std::vector<EventArg> kHeaderArgs = {std::string("Subject: hi\r\n"), LONG{3}};

TEST(ConnectionPoint, AdviseHandsOutDistinctNonZeroCookiesAndHoldsTheSink) {
    Recorder a, b;
    Container c;
    DWORD ca = 0, cb = 0;
    ASSERT_EQ(c.point.Advise(&a, &ca), S_OK);
    ASSERT_EQ(c.point.Advise(&b, &cb), S_OK);
    EXPECT_NE(ca, 0u);
    EXPECT_NE(cb, 0u);
    EXPECT_NE(ca, cb);
    EXPECT_EQ(a.refs.load(), 2u);
    EXPECT_EQ(c.point.Unadvise(ca), S_OK);
    EXPECT_EQ(a.refs.load(), 1u);
    EXPECT_EQ(c.point.listener_count(), 1u);
}

struct AdviseRow {
    const char* name;
    bool event_iid;
    bool dispatch;
    HRESULT expected;
};

class AdviseBySinkKind : public testing::TestWithParam<AdviseRow> {};

TEST_P(AdviseBySinkKind, NeedsTheEventInterfaceOrIDispatch) {
    Recorder r(GetParam().event_iid, GetParam().dispatch);
    Container c;
    DWORD cookie = 99;
    EXPECT_EQ(c.point.Advise(&r, &cookie), GetParam().expected);
    if (FAILED(GetParam().expected)) {
        EXPECT_EQ(cookie, 0u);
        EXPECT_EQ(c.point.listener_count(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sinks, AdviseBySinkKind,
    testing::Values(AdviseRow{"both", true, true, S_OK}, AdviseRow{"event_interface_only", true, false, S_OK},
                    AdviseRow{"dispatch_only", false, true, S_OK},
                    AdviseRow{"neither", false, false, CONNECT_E_CANNOTCONNECT}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionPoint, AdviseRefusesAPlainUnknownAndNullArguments) {
    NotASink plain;
    Recorder r;
    Container c;
    DWORD cookie = 0;
    EXPECT_EQ(c.point.Advise(&plain, &cookie), CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(c.point.Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(c.point.Advise(&r, nullptr), E_POINTER);
}

TEST(ConnectionPoint, UnadviseOfAnUnknownOrRevokedCookieFails) {
    Recorder r;
    Container c;
    DWORD cookie = 0;
    EXPECT_EQ(c.point.Unadvise(1), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(c.point.Advise(&r, &cookie), S_OK);
    EXPECT_EQ(c.point.Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(c.point.Unadvise(cookie), S_OK);
    EXPECT_EQ(c.point.Unadvise(cookie), CONNECT_E_NOCONNECTION);
}

TEST(ConnectionPoint, AFullListRefusesWithAdviseLimitAndTakesAgainAfterUnadvise) {
    Recorder a, b, d;
    Container c(2);
    DWORD ca, cb, cd = 7;
    ASSERT_EQ(c.point.Advise(&a, &ca), S_OK);
    ASSERT_EQ(c.point.Advise(&b, &cb), S_OK);
    EXPECT_EQ(c.point.Advise(&d, &cd), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(cd, 0u);
    EXPECT_EQ(d.refs.load(), 1u) << "a refused sink is not held";
    ASSERT_EQ(c.point.Unadvise(ca), S_OK);
    EXPECT_EQ(c.point.Advise(&d, &cd), S_OK);
}

TEST(ConnectionPoint, SharesTheContainersReferencesAndNamesItsInterface) {
    Container c;
    IID iid{};
    EXPECT_EQ(c.point.GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, DIID__IEventThreadObjEvents);
    ComPtr<IConnectionPointContainer> back;
    EXPECT_EQ(c.point.GetConnectionPointContainer(back.put()), S_OK);
    EXPECT_EQ(back.get(), &c);
    EXPECT_EQ(c.refs.load(), 2u);
    back.reset();
    ComPtr<IConnectionPoint> self;
    EXPECT_EQ(c.point.QueryInterface(IID_IConnectionPoint, self.put_void()), S_OK);
    EXPECT_EQ(c.refs.load(), 2u);
}

TEST(ConnectionPoint, RaiseCallsInvokeInTheStandardFormWithArgumentsReversed) {
    Recorder r;
    Container c;
    DWORD cookie;
    ASSERT_EQ(c.point.Advise(&r, &cookie), S_OK);
    c.point.raise(DISPID_OnGetMsgHeader, kHeaderArgs, nullptr);
    c.point.raise(DISPID_OnConnected, {}, nullptr);
    auto calls = r.calls();
    ASSERT_EQ(calls.size(), 2u);
    const Seen& s = calls[0];
    EXPECT_EQ(s.id, DISPID_OnGetMsgHeader);
    EXPECT_TRUE(s.null_iid);
    EXPECT_EQ(s.lcid, 0x400u);
    EXPECT_EQ(s.flags, DISPATCH_METHOD);
    EXPECT_TRUE(s.result_given);
    EXPECT_EQ(s.types, (std::vector<VARTYPE>{VT_I4, VT_BSTR}));
    EXPECT_EQ(s.values, (std::vector<std::string>{"3", "Subject: hi\r\n"}));
    EXPECT_EQ(calls[1].id, DISPID_OnConnected);
    EXPECT_TRUE(calls[1].types.empty());
}

TEST(ConnectionPoint, ListenersAreCalledInSubscriptionOrderEachWithItsOwnTextCopy) {
    Recorder first, second, third;
    Container c;
    std::vector<int> order;
    first.on_invoke = [&] { order.push_back(1); };
    second.on_invoke = [&] { order.push_back(2); };
    third.on_invoke = [&] { order.push_back(3); };
    second.fail = true;  // a failing listener does not stop the others
    DWORD c1, c2, c3;
    c.point.Advise(&first, &c1);
    c.point.Advise(&second, &c2);
    c.point.Advise(&third, &c3);
    c.point.raise(DISPID_OnError, std::vector<EventArg>{LONG{1}, std::string("Error with deleting mail.")}, nullptr);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(first.calls().size(), 1u);
    ASSERT_EQ(third.calls().size(), 1u);
    EXPECT_EQ(first.calls()[0].values[0], "Error with deleting mail.");
    EXPECT_NE(first.calls()[0].first_text, nullptr);
}

// A listener that declines an event (IEVENTINTEREST) is left out of it, and only of it; one
// without the interface gets every event.
TEST(ConnectionPoint, AListenerIsLeftOutOfTheEventsItDeclinesOnly) {
    struct Declining final : velmo::EventSink {
        Declining() : velmo::EventSink({DISPID_OnRetrieve}) {}
        void OnRetrieve(LONG) override { ++retrieve; }
        void OnConnected() override { ++connected; }
        int retrieve = 0, connected = 0;
    };
    auto* declining = new Declining;  // starts with one reference, given back below
    Recorder plain;
    Container c;
    DWORD cookie = 0;  // the container's end gives both back
    ASSERT_EQ(c.point.Advise(declining, &cookie), S_OK);
    ASSERT_EQ(c.point.Advise(&plain, &cookie), S_OK);
    c.point.raise(DISPID_OnRetrieve, std::vector<EventArg>{LONG{3}}, nullptr);
    c.point.raise(DISPID_OnConnected, std::vector<EventArg>{}, nullptr);
    EXPECT_EQ(declining->retrieve, 0);
    EXPECT_EQ(declining->connected, 1);
    ASSERT_EQ(plain.calls().size(), 2u);
    EXPECT_EQ(plain.calls()[0].id, DISPID_OnRetrieve);
    declining->Release();
}

TEST(ConnectionPoint, AListenerUnsubscribedByAnEarlierHandlerIsNotCalled) {
    Recorder first, second;
    Container c;
    DWORD c1, c2;
    c.point.Advise(&first, &c1);
    c.point.Advise(&second, &c2);
    first.on_invoke = [&] { c.point.Unadvise(c2); };
    c.point.raise(DISPID_OnClosed, {}, nullptr);
    EXPECT_EQ(first.calls().size(), 1u);
    EXPECT_TRUE(second.calls().empty());
}

TEST(ConnectionPoint, AListenerWithoutApartmentIsCalledOnTheRaisingThread) {
    Recorder r;
    Container c;
    DWORD cookie;
    ASSERT_FALSE(Apartment::current());
    c.point.Advise(&r, &cookie);
    pid_t raiser = 0;
    std::thread worker([&] {
        raiser = gettid();
        c.point.raise(DISPID_OnConnected, {}, nullptr);
    });
    worker.join();
    ASSERT_EQ(r.calls().size(), 1u);
    EXPECT_EQ(r.calls()[0].thread, raiser);
}

TEST(ConnectionPoint, AListenerWithApartmentIsCalledOnItsOwnThreadWhileItPumps) {
    Recorder r;
    Container c;
    Apartment::enter();
    DWORD cookie;
    c.point.Advise(&r, &cookie);
    std::atomic<bool> raised{false};
    std::thread worker([&] {
        c.point.raise(DISPID_OnGetMsgSize, std::vector<EventArg>{LONG{320}, LONG{2}}, nullptr);
        raised = true;
    });
    auto until = std::chrono::steady_clock::now() + 5s;
    while (!raised && std::chrono::steady_clock::now() < until) Apartment::pump(20ms);
    worker.join();
    Apartment::leave();
    ASSERT_EQ(r.calls().size(), 1u);
    EXPECT_EQ(r.calls()[0].thread, gettid());
    EXPECT_EQ(r.calls()[0].values, (std::vector<std::string>{"2", "320"}));
}

TEST(ConnectionPoint, ACancelledRaiseSkipsTheRestAndDoesNotWaitForAThreadThatDoesNotPump) {
    Recorder r;
    Container c;
    Apartment::enter();
    DWORD cookie;
    c.point.Advise(&r, &cookie);
    velmo::CallCancel cancel;
    auto raised = std::async(std::launch::async, [&] { c.point.raise(DISPID_OnClosed, {}, &cancel); });
    EXPECT_EQ(raised.wait_for(100ms), std::future_status::timeout) << "raise waits for the listener";
    cancel.cancel();
    EXPECT_EQ(raised.wait_for(5s), std::future_status::ready);
    Apartment::pump(0ms);
    Apartment::leave();
    EXPECT_TRUE(r.calls().empty());
}

}  // namespace
