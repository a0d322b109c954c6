#include "mime/byte_variant.h"

#include <cstring>
#include <limits>

namespace velmo {

HRESULT put_byte_array(VARIANT* out, std::span<const unsigned char> bytes) {
    if (!out) return E_POINTER;
    // The element count must also read back as a positive LONG upper bound.
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<LONG>::max())) return S_FALSE;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array) return S_FALSE;
    if (!bytes.empty()) std::memcpy(array->pvData, bytes.data(), bytes.size());
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = array;
    return S_OK;
}

}  // namespace velmo
