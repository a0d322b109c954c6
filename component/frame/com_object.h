// ComObject: reference counting, QueryInterface and late binding for the component's classes.
// A class derives from ComObject<Self, PrimaryDualInterface, OtherInterfaces...>; its
// IDispatch is served from the primary interface's dispatch table. Objects start with one
// reference (the creator's) and delete themselves at the last Release; destructors stay
// non-public so nothing deletes an object behind its references.
#pragma once

#include <atomic>
#include <new>
#include <type_traits>

#include "frame/dispatch.h"
#include "frame/module.h"

namespace velmo {

template <class... Interfaces>
class UnknownImpl : public Interfaces... {
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

public:
    UnknownImpl() = default;
    UnknownImpl(const UnknownImpl&) = delete;
    UnknownImpl& operator=(const UnknownImpl&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        void* p = find_interface(riid);
        if (!p) return E_NOINTERFACE;
        static_cast<IUnknown*>(static_cast<First*>(this))->AddRef();
        *ppv = p;
        return S_OK;
    }
    // Relaxed is enough to count up: whoever hands out a pointer already holds a reference.
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    // Acquire-release on the way down, so the deleting thread sees every earlier use.
    ULONG Release() override {
        ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }
    ULONG ref_count() const { return refs_.load(std::memory_order_relaxed); }

protected:
    virtual ~UnknownImpl() = default;

    void* find_interface(REFIID riid) {
        if (riid == IID_IUnknown) return static_cast<IUnknown*>(static_cast<First*>(this));
        void* found = nullptr;
        ((found = found ? found : (riid == Interfaces::iid ? static_cast<Interfaces*>(this) : nullptr)), ...);
        if (!found && riid == IID_IDispatch) found = first_dispatch<Interfaces...>();
        return found;
    }

private:
    template <class I, class... Rest>
    void* first_dispatch() {
        if constexpr (std::is_base_of_v<IDispatch, I>)
            return static_cast<IDispatch*>(static_cast<I*>(this));
        else if constexpr (sizeof...(Rest) > 0)
            return first_dispatch<Rest...>();
        else
            return nullptr;
    }

    std::atomic<ULONG> refs_{1};
};

template <class Primary, class... Others>
class ComObject : public UnknownImpl<Primary, Others...> {
    static_assert(std::is_base_of_v<IDispatch, Primary>, "the primary interface must be dual");

public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo) return E_POINTER;
        *pctinfo = 0;  // no type library on this platform
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        if (ppTInfo) *ppTInfo = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) override {
        return dispatch_table_of<Primary>().get_ids_of_names(rgszNames, cNames, rgDispId);
    }
    HRESULT Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO*, UINT* puArgErr) override {
        return dispatch_table_of<Primary>().invoke(static_cast<Primary*>(this), dispIdMember, wFlags,
                                                   pDispParams, pVarResult, puArgErr);
    }

private:
    LiveObject live_;
};

// Creates T (which starts with one reference) and hands out the interface asked for.
template <class T, class... CtorArgs>
HRESULT create_instance(REFIID riid, void** ppv, CtorArgs&&... args) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    T* obj = new (std::nothrow) T(std::forward<CtorArgs>(args)...);
    if (!obj) return E_OUTOFMEMORY;
    HRESULT hr = obj->QueryInterface(riid, ppv);
    obj->Release();
    return hr;
}

}  // namespace velmo
