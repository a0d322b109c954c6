#include "frame/dispatch.h"

namespace velmo {

namespace {

char16_t ascii_upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool same_name(std::u16string_view a, const char* b) {
    size_t i = 0;
    for (; b[i]; ++i) {
        if (i >= a.size()) return false;
        if (ascii_upper(a[i]) != ascii_upper(static_cast<char16_t>(static_cast<unsigned char>(b[i]))))
            return false;
    }
    return i == a.size();
}

}  // namespace

const DispMember* DispatchTable::find(DISPID id) const {
    for (const DispMember& m : members_)
        if (m.id == id) return &m;
    return nullptr;
}

const DispMember* DispatchTable::find(std::u16string_view name) const {
    for (const DispMember& m : members_)
        if (same_name(name, m.name)) return &m;
    return nullptr;
}

HRESULT DispatchTable::get_ids_of_names(LPOLESTR* names, UINT count, DISPID* ids) const {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (!names[0]) return DISP_E_UNKNOWNNAME;
    std::u16string_view name(names[0]);
    const DispMember* m = find(name);
    if (!m) return DISP_E_UNKNOWNNAME;
    ids[0] = m->id;
    // Parameter names are not published; any asked for are unknown.
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT DispatchTable::invoke(void* iface, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                              UINT* arg_err) const {
    if (arg_err) *arg_err = 0;
    const DispMember* m = find(id);
    if (!m) return DISP_E_MEMBERNOTFOUND;
    DISPPARAMS empty{nullptr, nullptr, 0, 0};
    if (!params) params = &empty;
    if (result) VariantInit(result);

    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (!m->put) return DISP_E_MEMBERNOTFOUND;
        if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return params->cNamedArgs == 0 ? DISP_E_PARAMNOTFOUND : DISP_E_NONAMEDARGS;
        return m->put(iface, params, nullptr);
    }
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    return m->call(iface, params, result);
}

namespace detail {

HRESULT read_arg(const VARIANT& v, LONG& out) {
    const VARIANT* p = &v;
    if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal) p = p->pvarVal;
    switch (p->vt) {
        case VT_I4: out = p->lVal; return S_OK;
        case VT_INT: out = p->intVal; return S_OK;
        case VT_I2: out = p->iVal; return S_OK;
        case VT_UI2: out = p->uiVal; return S_OK;
        case VT_UI1: out = p->bVal; return S_OK;
        case VT_I1: out = p->cVal; return S_OK;
        case VT_BOOL: out = p->boolVal; return S_OK;
        case VT_UI4:
        case VT_UINT:
            if (p->ulVal > 0x7FFFFFFFu) return DISP_E_TYPEMISMATCH;
            out = static_cast<LONG>(p->ulVal);
            return S_OK;
        case VT_BYREF | VT_I4:
            if (!p->plVal) return DISP_E_TYPEMISMATCH;
            out = *p->plVal;
            return S_OK;
        default: return DISP_E_TYPEMISMATCH;
    }
}

HRESULT read_arg(const VARIANT& v, BSTR& out) {
    const VARIANT* p = &v;
    if (p->vt == (VT_BYREF | VT_VARIANT) && p->pvarVal) p = p->pvarVal;
    switch (p->vt) {
        case VT_BSTR: out = p->bstrVal; return S_OK;
        case VT_EMPTY:
        case VT_NULL: out = nullptr; return S_OK;
        case VT_BYREF | VT_BSTR: out = p->pbstrVal ? *p->pbstrVal : nullptr; return S_OK;
        default: return DISP_E_TYPEMISMATCH;
    }
}

}  // namespace detail
}  // namespace velmo
