#include "frame/bstr.h"

#include <cstdlib>
#include <cstring>

// Layout: a 32-bit byte count, the characters, then a terminating NUL character.
// The BSTR points at the first character.

extern "C" BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (ui > (0x7FFFFFFFu - sizeof(uint32_t) - sizeof(OLECHAR)) / sizeof(OLECHAR)) return nullptr;
    size_t bytes = sizeof(uint32_t) + (static_cast<size_t>(ui) + 1) * sizeof(OLECHAR);
    auto* block = static_cast<unsigned char*>(std::malloc(bytes));
    if (!block) return nullptr;
    uint32_t byte_len = ui * static_cast<uint32_t>(sizeof(OLECHAR));
    std::memcpy(block, &byte_len, sizeof byte_len);
    auto* text = reinterpret_cast<OLECHAR*>(block + sizeof(uint32_t));
    if (strIn)
        std::memcpy(text, strIn, ui * sizeof(OLECHAR));
    else
        std::memset(text, 0, ui * sizeof(OLECHAR));
    text[ui] = 0;
    return text;
}

extern "C" BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz) return nullptr;
    UINT n = 0;
    while (psz[n]) ++n;
    return SysAllocStringLen(psz, n);
}

extern "C" void SysFreeString(BSTR bstrString) {
    if (!bstrString) return;
    std::free(reinterpret_cast<unsigned char*>(bstrString) - sizeof(uint32_t));
}

extern "C" UINT SysStringByteLen(BSTR bstr) {
    if (!bstr) return 0;
    uint32_t byte_len;
    std::memcpy(&byte_len, reinterpret_cast<unsigned char*>(bstr) - sizeof(uint32_t), sizeof byte_len);
    return byte_len;
}

extern "C" UINT SysStringLen(BSTR pbstr) { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }
