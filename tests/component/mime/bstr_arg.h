// Bstr: a fresh BSTR holding UTF-8 text for the length of one call into the component, for
// the tests that drive POPMSG through its interface.
#pragma once

#include <string_view>

#include "frame/automation.h"

namespace mime_test {

struct Bstr {
    explicit Bstr(std::string_view utf8) : b(velmo::to_bstr(utf8)) {}
    ~Bstr() { SysFreeString(b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return b; }
    BSTR b;
};

}  // namespace mime_test
