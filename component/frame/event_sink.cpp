#include "frame/event_sink.h"

#include <string_view>

#include "frame/text.h"

namespace velmo {

namespace {

// The event's arguments in declared order, checked against their expected kinds:
// 'l' for a long, 's' for a text.
struct Args {
    DISPPARAMS* params;
    HRESULT check(std::string_view kinds) const {
        UINT n = params ? params->cArgs : 0;
        if (n != kinds.size()) return DISP_E_BADPARAMCOUNT;
        for (UINT i = 0; i < n; ++i) {
            VARTYPE want = kinds[i] == 'l' ? VT_I4 : VT_BSTR;
            if (at(i).vt != want) return DISP_E_TYPEMISMATCH;
        }
        return S_OK;
    }
    const VARIANT& at(UINT i) const { return params->rgvarg[params->cArgs - 1 - i]; }
    LONG l(UINT i) const { return at(i).lVal; }
    std::string s(UINT i) const { return to_utf8(at(i).bstrVal); }
};

}  // namespace

EventSink::EventSink(std::initializer_list<DISPID> declined) {
    for (DISPID id : declined) declined_ |= event_bit(id);
}

HRESULT EventSink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IEVENTINTEREST && declined_ != 0) {
        *ppv = static_cast<IEVENTINTEREST*>(&interest_);
    } else if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID__IEventThreadObjEvents) {
        *ppv = static_cast<IDispatch*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT EventSink::Interest::HandlesEvent(DISPID id, VARIANT_BOOL* handles) {
    if (!handles) return E_POINTER;
    *handles = (owner->declined_ & event_bit(id)) ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
}

ULONG EventSink::AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG EventSink::Release() {
    ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
}

HRESULT EventSink::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT EventSink::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    if (!rgszNames || !rgDispId) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < cNames; ++i) {
        std::string name = rgszNames[i] ? utf16_to_utf8(rgszNames[i]) : std::string();
        rgDispId[i] = event_id(name.c_str());
        if (rgDispId[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                          UINT*) {
    const Args a{params};
    HRESULT hr = S_OK;
    switch (id) {
    case DISPID_OnConnected:
        if (SUCCEEDED(hr = a.check(""))) OnConnected();
        break;
    case DISPID_OnClosed:
        if (SUCCEEDED(hr = a.check(""))) OnClosed();
        break;
    case DISPID_OnReceiving:
        if (SUCCEEDED(hr = a.check("ll"))) OnReceiving(a.l(0), a.l(1));
        break;
    case DISPID_OnDeleted:
        if (SUCCEEDED(hr = a.check("l"))) OnDeleted(a.l(0));
        break;
    case DISPID_OnGetMsgID:
        if (SUCCEEDED(hr = a.check("sl"))) OnGetMsgID(a.s(0), a.l(1));
        break;
    case DISPID_OnGetMsgSize:
        if (SUCCEEDED(hr = a.check("ll"))) OnGetMsgSize(a.l(0), a.l(1));
        break;
    case DISPID_OnGetSizeOfMails:
        if (SUCCEEDED(hr = a.check("l"))) OnGetSizeOfMails(a.l(0));
        break;
    case DISPID_OnGetTotalOfMails:
        if (SUCCEEDED(hr = a.check("l"))) OnGetTotalOfMails(a.l(0));
        break;
    case DISPID_OnRetrieve:
        if (SUCCEEDED(hr = a.check("l"))) OnRetrieve(a.l(0));
        break;
    case DISPID_OnRetrieved:
        if (SUCCEEDED(hr = a.check("sl"))) OnRetrieved(a.s(0), a.l(1));
        break;
    case DISPID_OnGetMsgHeader:
        if (SUCCEEDED(hr = a.check("sl"))) OnGetMsgHeader(a.s(0), a.l(1));
        break;
    case DISPID_OnError:
        if (SUCCEEDED(hr = a.check("ls"))) OnError(a.l(0), a.s(1));
        break;
    default:
        hr = DISP_E_MEMBERNOTFOUND;
    }
    return hr;
}

}  // namespace velmo
