// EventSink: a listener for the events of a POPMAIN object, for clients written in C++.
// Derive from it, override the handlers of the events you need, create it with new (it starts
// with one reference) and pass it to IConnectionPoint::Advise. Invoke routes each event by its
// dispatch identifier to the handler; events without an override are accepted and ignored.
// Text arguments arrive as 8-bit text (UTF-8). A listener that names the events it does not
// handle (constructor) answers IEVENTINTEREST, so the component does not call it for them.
#pragma once

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "frame/events.h"
#include "frame/ievent_interest.h"

namespace velmo {

class EventSink : public IDispatch {
public:
    EventSink() = default;
    // `declined`: events this listener does not handle; the component leaves them out.
    explicit EventSink(std::initializer_list<DISPID> declined);
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    // Answers IUnknown, IDispatch and _IEventThreadObjEvents, and IEVENTINTEREST when it
    // declines an event.
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    // Event names, case ignored.
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    // DISP_E_MEMBERNOTFOUND for an id that is no event, DISP_E_BADPARAMCOUNT and
    // DISP_E_TYPEMISMATCH for arguments that do not fit it.
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr) override;

    virtual void OnConnected() {}
    virtual void OnClosed() {}
    virtual void OnReceiving(LONG /*bytes*/, LONG /*msg*/) {}
    virtual void OnDeleted(LONG /*msg*/) {}
    virtual void OnGetMsgID(const std::string& /*id*/, LONG /*msg*/) {}
    virtual void OnGetMsgSize(LONG /*size*/, LONG /*msg*/) {}
    virtual void OnGetSizeOfMails(LONG /*size*/) {}
    virtual void OnGetTotalOfMails(LONG /*count*/) {}
    virtual void OnRetrieve(LONG /*msg*/) {}
    virtual void OnRetrieved(const std::string& /*data*/, LONG /*msg*/) {}
    virtual void OnGetMsgHeader(const std::string& /*data*/, LONG /*msg*/) {}
    virtual void OnError(LONG /*number*/, const std::string& /*description*/) {}

protected:
    virtual ~EventSink() = default;

private:
    // IEVENTINTEREST, answered by a part of this object, so that EventSink keeps IUnknown once
    // and converts to IUnknown* as before.
    struct Interest final : IEVENTINTEREST {
        EventSink* owner;
        explicit Interest(EventSink* o) : owner(o) {}
        HRESULT QueryInterface(REFIID riid, void** ppv) override { return owner->QueryInterface(riid, ppv); }
        ULONG AddRef() override { return owner->AddRef(); }
        ULONG Release() override { return owner->Release(); }
        HRESULT HandlesEvent(DISPID id, VARIANT_BOOL* handles) override;
    };

    std::atomic<ULONG> refs_{1};
    std::uint32_t declined_ = 0;  // bit id: an event this listener does not handle
    Interest interest_{this};
};

}  // namespace velmo
