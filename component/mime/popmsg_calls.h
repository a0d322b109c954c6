// Helpers shared by POPMSG's members: the interface's argument text, a clamped LONG result,
// and the guard that answers E_OUTOFMEMORY instead of letting an allocation failure escape
// through the interface.
#pragma once

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "frame/text.h"

namespace velmo::popmsg_calls {

inline HRESULT put_long(LONG* out, std::size_t value) {
    if (!out) return E_POINTER;
    *out = static_cast<LONG>(std::min<std::size_t>(value, INT32_MAX));
    return S_OK;
}

template <class Body>
HRESULT guarded(Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

// Interface text ends at its first NUL character, as the 8-bit text inside does.
inline std::string argument(BSTR text) {
    std::string s = to_utf8(text);
    std::size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

}  // namespace velmo::popmsg_calls
