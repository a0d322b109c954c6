// The component's creatable classes, each with its identity and creation function.
// The creation functions live with their classes (pop3/, mime/, store/).
#pragma once

#include <span>

#include "frame/guid.h"
#include "frame/hresult.h"

namespace velmo {

using CreateFn = HRESULT (*)(REFIID riid, void** ppv);

struct ClassInfo {
    const CLSID* clsid;
    const char* prog_id;                      // "Velmo.POPMAIN.1"
    const char* version_independent_prog_id;  // "Velmo.POPMAIN"
    const char* description;                  // "POPMAIN Class"
    CreateFn create;
};

HRESULT create_popmain(REFIID riid, void** ppv);
HRESULT create_popmsg(REFIID riid, void** ppv);
HRESULT create_msgstore(REFIID riid, void** ppv);

std::span<const ClassInfo> component_classes();
const ClassInfo* find_class(REFCLSID clsid);
// By ProgID (either form, case ignored) or by class identifier in its braced text form.
const ClassInfo* find_class(const char* prog_id_or_clsid);

}  // namespace velmo
