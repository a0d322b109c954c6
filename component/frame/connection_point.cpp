#include "frame/connection_point.h"

#include <new>
#include <utility>

#include "frame/enumerator.h"
#include "frame/events.h"
#include "frame/ievent_interest.h"
#include "frame/identifiers.h"
#include "frame/text.h"

namespace velmo {

EventConnectionPoint::EventConnectionPoint(IConnectionPointContainer* owner, size_t listener_limit)
    : owner_(owner), limit_(listener_limit) {}

EventConnectionPoint::~EventConnectionPoint() { clear(); }

HRESULT EventConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IConnectionPoint) return E_NOINTERFACE;
    *ppv = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
}

ULONG EventConnectionPoint::AddRef() { return owner_->AddRef(); }
ULONG EventConnectionPoint::Release() { return owner_->Release(); }

HRESULT EventConnectionPoint::GetConnectionInterface(IID* pIID) {
    if (!pIID) return E_POINTER;
    *pIID = DIID__IEventThreadObjEvents;
    return S_OK;
}

HRESULT EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC) {
    if (!ppCPC) return E_POINTER;
    owner_->AddRef();
    *ppCPC = owner_;
    return S_OK;
}

namespace {

// The events a listener declines through IEVENTINTEREST, as bits by dispatch identifier.
std::uint32_t declined_events(IUnknown* listener) {
    ComPtr<IEVENTINTEREST> interest;
    if (FAILED(listener->QueryInterface(IID_IEVENTINTEREST, interest.put_void())) || !interest) return 0;
    std::uint32_t declined = 0;
    for (DISPID id = DISPID_OnConnected; id <= DISPID_OnError; ++id) {
        VARIANT_BOOL handles = VARIANT_TRUE;
        if (SUCCEEDED(interest->HandlesEvent(id, &handles)) && handles == VARIANT_FALSE) declined |= event_bit(id);
    }
    return declined;
}

}  // namespace

HRESULT EventConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie) {
    if (!pdwCookie) return E_POINTER;
    *pdwCookie = 0;
    if (!pUnkSink) return E_POINTER;
    ComPtr<IDispatch> sink;
    if (FAILED(pUnkSink->QueryInterface(DIID__IEventThreadObjEvents, sink.put_void())) &&
        FAILED(pUnkSink->QueryInterface(IID_IDispatch, sink.put_void())))
        return CONNECT_E_CANNOTCONNECT;
    if (!sink) return CONNECT_E_CANNOTCONNECT;
    const std::uint32_t declined = declined_events(pUnkSink);

    std::lock_guard lock(mutex_);
    if (listeners_.size() >= limit_) return CONNECT_E_ADVISELIMIT;
    DWORD cookie = next_cookie_++;
    if (next_cookie_ == 0) next_cookie_ = 1;  // 0 is never a cookie
    try {
        listeners_.push_back({cookie, std::move(sink), Apartment::current(), declined});
    } catch (const std::bad_alloc&) {
        return CONNECT_E_ADVISELIMIT;
    }
    *pdwCookie = cookie;
    return S_OK;
}

HRESULT EventConnectionPoint::Unadvise(DWORD dwCookie) {
    Listener gone;  // released after the lock, since a sink's release may run client code
    {
        std::lock_guard lock(mutex_);
        auto it = listeners_.begin();
        while (it != listeners_.end() && it->cookie != dwCookie) ++it;
        if (it == listeners_.end()) return CONNECT_E_NOCONNECTION;
        gone = std::move(*it);
        listeners_.erase(it);
    }
    return S_OK;
}

HRESULT EventConnectionPoint::EnumConnections(IEnumConnections** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = nullptr;
    std::vector<CONNECTDATA> connections;
    {
        std::lock_guard lock(mutex_);
        for (const Listener& l : listeners_) connections.push_back({l.sink.get(), l.cookie});
        // The enumerator takes its references while the list still holds the sinks.
        return Enumerator<IEnumConnections, CONNECTDATA>::create(connections, 0, ppEnum);
    }
}

size_t EventConnectionPoint::listener_count() const {
    std::lock_guard lock(mutex_);
    return listeners_.size();
}

void EventConnectionPoint::clear() {
    std::vector<Listener> gone;
    {
        std::lock_guard lock(mutex_);
        gone.swap(listeners_);
    }
}

HRESULT invoke_event(IDispatch* sink, DISPID id, std::span<const EventArg> args) {
    std::vector<VARIANT> argv(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
        VARIANT& v = argv[args.size() - 1 - i];  // the dispatch convention wants them reversed
        VariantInit(&v);
        if (const LONG* n = std::get_if<LONG>(&args[i])) {
            v.vt = VT_I4;
            v.lVal = *n;
        } else if (const std::string* text = std::get_if<std::string>(&args[i])) {
            v.vt = VT_BSTR;
            v.bstrVal = to_bstr(*text);
        } else {
            v.vt = VT_BSTR;
            v.bstrVal = to_bstr(*std::get<SharedText>(args[i]));
        }
    }
    DISPPARAMS params{argv.empty() ? nullptr : argv.data(), nullptr, static_cast<UINT>(argv.size()), 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                              nullptr, nullptr);
    VariantClear(&result);
    for (VARIANT& v : argv) VariantClear(&v);
    return hr;
}

void EventConnectionPoint::raise(DISPID id, std::span<const EventArg> args, CallCancel* cancel) {
    std::vector<DWORD> cookies;
    {
        std::lock_guard lock(mutex_);
        cookies.reserve(listeners_.size());
        for (const Listener& l : listeners_) cookies.push_back(l.cookie);
    }
    for (DWORD cookie : cookies) {
        if (cancel && cancel->cancelled()) return;
        ComPtr<IDispatch> sink;
        std::shared_ptr<Apartment> apartment;
        {
            std::lock_guard lock(mutex_);
            for (const Listener& l : listeners_) {
                if (l.cookie != cookie) continue;
                if (l.declined & event_bit(id)) break;  // not wanted: no trip to its thread
                sink = l.sink;
                apartment = l.apartment;
                break;
            }
        }
        if (!sink) continue;  // unsubscribed meanwhile
        if (!apartment) {
            invoke_event(sink.get(), id, args);
            continue;
        }
        // The call owns copies of everything it needs: a cancelled caller may return while the
        // handler still runs on the listener's thread.
        std::vector<EventArg> owned(args.begin(), args.end());
        apartment->call(
            [sink, id, owned = std::move(owned)] { invoke_event(sink.get(), id, owned); }, cancel);
    }
}

}  // namespace velmo
