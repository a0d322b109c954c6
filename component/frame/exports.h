// The library's exported entry points, with C linkage.
#pragma once

#include "frame/unknown.h"

extern "C" {
// Hands out the class factory of POPMAIN, POPMSG or MSGSTORE; any other class identifier
// fails with CLASS_E_CLASSNOTAVAILABLE and creates nothing.
HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
// S_OK when no object and no server lock is alive, else S_FALSE.
HRESULT DllCanUnloadNow();
// Creates an object by ProgID ("Velmo.POPMAIN", "Velmo.POPMAIN.1", ...) or by its class
// identifier written as "{...}", through the class factory; REGDB_E_CLASSNOTREG when unknown.
HRESULT VelmoCreateInstance(LPCOLESTR clsidOrProgId, REFIID riid, void** ppv);
}
