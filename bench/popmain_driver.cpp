#include "popmain_driver.h"

#include <cstdio>

#include "frame/bstr.h"
#include "frame/exports.h"
#include "frame/text.h"

namespace halvex::bench {

namespace {

// Frees the BSTR an output parameter delivered.
struct OwnedBstr {
    BSTR p = nullptr;
    ~OwnedBstr() { SysFreeString(p); }
};

}  // namespace

PopMainDriver::PopMainDriver() {
    HRESULT hr = VelmoCreateInstance(u"Velmo.POPMAIN", IPOPMAIN::iid, reinterpret_cast<void**>(&popmain_));
    if (FAILED(hr) || !popmain_) {
        popmain_ = nullptr;
        char text[64];
        std::snprintf(text, sizeof text, "creating Velmo.POPMAIN failed (0x%08x)", static_cast<unsigned>(hr));
        why_ = text;
    }
}

PopMainDriver::~PopMainDriver() {
    if (popmain_) popmain_->Release();
}

bool PopMainDriver::failed(const char* what, HRESULT hr) {
    char text[96];
    std::snprintf(text, sizeof text, "%s answered 0x%08x", what, static_cast<unsigned>(hr));
    why_ = text;
    return false;
}

bool PopMainDriver::connect(const std::string& server, const std::string& user, const std::string& password) {
    if (!popmain_) return false;
    OwnedBstr s{velmo::to_bstr(server)}, u{velmo::to_bstr(user)}, p{velmo::to_bstr(password)};
    LONG result = 1;
    HRESULT hr = popmain_->Connect(s.p, u.p, p.p, &result);
    if (hr != S_OK) return failed("Connect", hr);
    if (result != 0) {
        why_ = "Connect returned " + std::to_string(result);
        return false;
    }
    return true;
}

bool PopMainDriver::total_of_mails(std::int32_t& count) {
    LONG n = 0;
    HRESULT hr = popmain_->GetTotalOfMails(&n);
    if (hr != S_OK) return failed("GetTotalOfMails", hr);
    count = n;
    return true;
}

bool PopMainDriver::header(std::int32_t n, std::size_t& length, const std::string& check) {
    OwnedBstr text;
    HRESULT hr = popmain_->GetMsgHeader(n, &text.p);
    if (hr != S_OK) return failed("GetMsgHeader", hr);
    length = SysStringLen(text.p);
    if (!check.empty() && velmo::to_utf8(text.p).find(check) == std::string::npos) {
        why_ = "header " + std::to_string(n) + " lacks \"" + check + "\"";
        return false;
    }
    return true;
}

bool PopMainDriver::size(std::int32_t n, std::int32_t& octets) {
    LONG s = 0;
    HRESULT hr = popmain_->GetMsgSize(n, &s);
    if (hr != S_OK) return failed("GetMsgSize", hr);
    octets = s;
    return true;
}

bool PopMainDriver::retrieve(std::int32_t n, std::size_t& length) {
    OwnedBstr text;
    HRESULT hr = popmain_->Retrieve(n, &text.p);
    if (hr != S_OK) return failed("Retrieve", hr);
    length = SysStringLen(text.p);
    return true;
}

void PopMainDriver::close() {
    if (popmain_) popmain_->Close();
}

}  // namespace halvex::bench
