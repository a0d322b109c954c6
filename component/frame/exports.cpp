#include "frame/exports.h"

#include <cstring>
#include <strings.h>

#include "frame/class_table.h"
#include "frame/identifiers.h"
#include "frame/module.h"
#include "frame/text.h"

namespace velmo {

namespace {

// One static factory per class. References to a factory count as server locks, so the
// library stays loaded while a client holds one.
class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(const ClassInfo& info) : info_(info) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        AddRef();
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG AddRef() override {
        module_lock();
        return 2;
    }
    ULONG Release() override {
        module_unlock();
        return 1;
    }
    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (pUnkOuter) return CLASS_E_NOAGGREGATION;
        return info_.create(riid, ppv);
    }
    HRESULT LockServer(BOOL fLock) override {
        if (fLock)
            module_lock();
        else
            module_unlock();
        return S_OK;
    }

private:
    const ClassInfo& info_;
};

const ClassInfo kClasses[] = {
    {&CLSID_POPMAIN, "Velmo.POPMAIN.1", "Velmo.POPMAIN", "POPMAIN Class", &create_popmain},
    {&CLSID_POPMSG, "Velmo.POPMSG.1", "Velmo.POPMSG", "POPMSG Class", &create_popmsg},
    {&CLSID_MSGSTORE, "Velmo.MSGSTORE.1", "Velmo.MSGSTORE", "MSGSTORE Class", &create_msgstore},
};

ClassFactory& factory_for(const ClassInfo& info) {
    static ClassFactory factories[] = {ClassFactory(kClasses[0]), ClassFactory(kClasses[1]),
                                       ClassFactory(kClasses[2])};
    return factories[&info - kClasses];
}

}  // namespace

std::span<const ClassInfo> component_classes() { return kClasses; }

const ClassInfo* find_class(REFCLSID clsid) {
    for (const ClassInfo& c : kClasses)
        if (*c.clsid == clsid) return &c;
    return nullptr;
}

const ClassInfo* find_class(const char* name) {
    if (!name) return nullptr;
    GUID g;
    if (name[0] == '{' && guid_from_string(name, g)) return find_class(g);
    for (const ClassInfo& c : kClasses)
        if (strcasecmp(name, c.prog_id) == 0 || strcasecmp(name, c.version_independent_prog_id) == 0)
            return &c;
    return nullptr;
}

}  // namespace velmo

extern "C" HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const velmo::ClassInfo* info = velmo::find_class(rclsid);
    if (!info) return CLASS_E_CLASSNOTAVAILABLE;
    return velmo::factory_for(*info).QueryInterface(riid, ppv);
}

extern "C" HRESULT DllCanUnloadNow() {
    return velmo::module_object_count() == 0 && velmo::module_lock_count() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT VelmoCreateInstance(LPCOLESTR clsidOrProgId, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!clsidOrProgId) return REGDB_E_CLASSNOTREG;
    std::u16string_view name(clsidOrProgId);
    std::string narrow = velmo::utf16_to_utf8(name);
    const velmo::ClassInfo* info = velmo::find_class(narrow.c_str());
    if (!info) return REGDB_E_CLASSNOTREG;
    IClassFactory* factory = nullptr;
    HRESULT hr = DllGetClassObject(*info->clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, riid, ppv);
    factory->Release();
    return hr;
}
