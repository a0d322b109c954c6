// EventConnectionPoint: the connection point through which a POPMAIN object raises the events
// of _IEventThreadObjEvents. Listeners subscribe with Advise and get a cookie back; each is
// remembered with the apartment of the thread that subscribed (or none).
//
// raise() calls every listener in subscription order, late bound through IDispatch::Invoke.
// A listener with an apartment is called on its own thread, the raising thread waiting until
// the handler has returned; a listener without one is called on the raising thread, so a
// thread that wants its events at home enters its apartment before it subscribes. The list
// of listeners is guarded by a mutex that is never held during the call itself, so a handler
// may subscribe, unsubscribe or raise again.
//
// The connection point lives inside its container and shares the container's references.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "frame/apartment.h"
#include "frame/com_ptr.h"
#include "frame/unknown.h"

namespace velmo {

// One argument of an event, in the event's declared order: a `long` or a text (8-bit, UTF-8).
// A large text (a retrieved message) is passed shared, so that neither the raising thread nor
// the call into a listener's apartment copies it; it must not be null.
using SharedText = std::shared_ptr<const std::string>;
using EventArg = std::variant<LONG, std::string, SharedText>;

class EventConnectionPoint final : public IConnectionPoint {
public:
    static constexpr size_t kDefaultListenerLimit = 1024;

    // owner: the container whose references this connection point shares. listener_limit:
    // how many subscriptions the list may hold; one more fails with CONNECT_E_ADVISELIMIT.
    explicit EventConnectionPoint(IConnectionPointContainer* owner,
                                  size_t listener_limit = kDefaultListenerLimit);
    EventConnectionPoint(const EventConnectionPoint&) = delete;
    EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;
    ~EventConnectionPoint();

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetConnectionInterface(IID* pIID) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    // The sink must offer _IEventThreadObjEvents or IDispatch, else CONNECT_E_CANNOTCONNECT.
    HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    // CONNECT_E_NOCONNECTION for a cookie that is not subscribed.
    HRESULT Unadvise(DWORD dwCookie) override;
    // A snapshot of the subscriptions: each sink (as IUnknown) with its cookie.
    HRESULT EnumConnections(IEnumConnections** ppEnum) override;

    // Raises event `id` with `args` to every listener. Text arguments reach each listener as
    // fresh BSTRs; the outcome of each call is ignored. Once `cancel` (may be null) is
    // cancelled, listeners not yet reached are skipped and a pending cross-thread call is
    // given up.
    void raise(DISPID id, std::span<const EventArg> args, CallCancel* cancel);

    size_t listener_count() const;
    // Drops every subscription; used when the container goes away.
    void clear();

private:
    struct Listener {
        DWORD cookie;
        ComPtr<IDispatch> sink;
        std::shared_ptr<Apartment> apartment;  // null: called on the raising thread
        std::uint32_t declined = 0;            // bit id: an event it said it does not handle
    };

    IConnectionPointContainer* const owner_;
    const size_t limit_;
    mutable std::mutex mutex_;  // guards listeners_ and next_cookie_
    std::vector<Listener> listeners_;
    DWORD next_cookie_ = 1;
};

// Calls sink->Invoke(id) on the calling thread, with args as VT_I4 / fresh VT_BSTR variants in
// reverse order, DISPATCH_METHOD, LOCALE_USER_DEFAULT and a result variant that is cleared
// afterwards. Returns what Invoke returned.
HRESULT invoke_event(IDispatch* sink, DISPID id, std::span<const EventArg> args);

}  // namespace velmo
