// Late binding: a table per interface that maps dispatch identifiers and member names to calls
// of the interface's own virtual functions, so Invoke and the interface table serve the same
// members. Arguments arrive in reverse order, as the dispatch convention has it; a final
// pointer parameter of the member is its result and travels back through pVarResult.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <tuple>
#include <utility>

#include "frame/unknown.h"

namespace velmo {

// Calls one member on an interface pointer (passed as void*) with the given arguments.
using DispCall = HRESULT (*)(void* iface, DISPPARAMS* params, VARIANT* result);

struct DispMember {
    DISPID id;
    const char* name;
    DispCall call;  // the method, or the property's get
    DispCall put;   // the property's put; null for methods and read-only properties
    bool property;
};

class DispatchTable {
public:
    constexpr explicit DispatchTable(std::span<const DispMember> members) : members_(members) {}
    std::span<const DispMember> members() const { return members_; }
    const DispMember* find(DISPID id) const;
    // Names are compared without regard to case (ASCII).
    const DispMember* find(std::u16string_view name) const;

    HRESULT get_ids_of_names(LPOLESTR* names, UINT count, DISPID* ids) const;
    HRESULT invoke(void* iface, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   UINT* arg_err) const;

private:
    std::span<const DispMember> members_;
};

// The table of an interface; specialised for each dual interface of the component.
template <class I>
const DispatchTable& dispatch_table_of();

namespace detail {

template <class T>
struct OutArg : std::false_type {};

template <>
struct OutArg<LONG*> : std::true_type {
    using Value = LONG;
    static void init(Value& v) { v = 0; }
    static void store(VARIANT* r, Value& v) { r->vt = VT_I4, r->lVal = v; }
    static void discard(Value&) {}
};
template <>
struct OutArg<VARIANT_BOOL*> : std::true_type {
    using Value = VARIANT_BOOL;
    static void init(Value& v) { v = VARIANT_FALSE; }
    static void store(VARIANT* r, Value& v) { r->vt = VT_BOOL, r->boolVal = v; }
    static void discard(Value&) {}
};
template <>
struct OutArg<BSTR*> : std::true_type {
    using Value = BSTR;
    static void init(Value& v) { v = nullptr; }
    static void store(VARIANT* r, Value& v) { r->vt = VT_BSTR, r->bstrVal = v; }
    static void discard(Value& v) { SysFreeString(v); }
};
template <>
struct OutArg<VARIANT*> : std::true_type {
    using Value = VARIANT;
    static void init(Value& v) { VariantInit(&v); }
    static void store(VARIANT* r, Value& v) { *r = v; }
    static void discard(Value& v) { VariantClear(&v); }
};

HRESULT read_arg(const VARIANT& v, LONG& out);
HRESULT read_arg(const VARIANT& v, BSTR& out);

// True when the last of the parameters is a result pointer.
template <class... A>
struct LastIsOut : std::false_type {};
template <class A0, class... A>
struct LastIsOut<A0, A...>
    : std::bool_constant<OutArg<std::tuple_element_t<sizeof...(A), std::tuple<A0, A...>>>::value> {};

template <auto Fn>
struct Call;

template <class I, class... A, HRESULT (I::*Fn)(A...)>
struct Call<Fn> {
    static constexpr size_t N = sizeof...(A);
    using Args = std::tuple<A...>;

    template <size_t... K>
    static HRESULT read_all(DISPPARAMS* dp, std::tuple<std::remove_cvref_t<std::tuple_element_t<K, Args>>...>& in,
                            std::index_sequence<K...>) {
        constexpr size_t n_in = sizeof...(K);
        HRESULT hr = S_OK;
        ((hr = SUCCEEDED(hr) ? read_arg(dp->rgvarg[n_in - 1 - K], std::get<K>(in)) : hr), ...);
        return hr;
    }

    template <size_t... K>
    static HRESULT call_in(void* self, DISPPARAMS* dp, VARIANT* result, std::index_sequence<K...> seq) {
        constexpr size_t n_in = sizeof...(K);
        if (!dp || dp->cArgs != n_in) return DISP_E_BADPARAMCOUNT;
        std::tuple<std::remove_cvref_t<std::tuple_element_t<K, Args>>...> in{};
        HRESULT hr = read_all(dp, in, seq);
        if (FAILED(hr)) return hr;
        I* obj = static_cast<I*>(self);
        if constexpr (n_in < N) {
            using Out = OutArg<std::tuple_element_t<N - 1, Args>>;
            typename Out::Value value;
            Out::init(value);
            hr = (obj->*Fn)(std::get<K>(in)..., &value);
            if (hr == S_OK && result)
                Out::store(result, value);
            else
                Out::discard(value);
        } else {
            (void)result;
            hr = (obj->*Fn)(std::get<K>(in)...);
        }
        return hr;
    }

    static HRESULT invoke(void* self, DISPPARAMS* dp, VARIANT* result) {
        if constexpr (LastIsOut<A...>::value)
            return call_in(self, dp, result, std::make_index_sequence<N - 1>{});
        else
            return call_in(self, dp, result, std::make_index_sequence<N>{});
    }
};

}  // namespace detail

template <auto Fn>
constexpr DispMember disp_method(DISPID id, const char* name) {
    return {id, name, &detail::Call<Fn>::invoke, nullptr, false};
}

template <auto Get>
constexpr DispMember disp_get(DISPID id, const char* name) {
    return {id, name, &detail::Call<Get>::invoke, nullptr, true};
}

template <auto Get, auto Put>
constexpr DispMember disp_property(DISPID id, const char* name) {
    return {id, name, &detail::Call<Get>::invoke, &detail::Call<Put>::invoke, true};
}

}  // namespace velmo
