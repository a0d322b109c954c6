// Velmo's POPMSG through its interface, as a client calls it.
#include <chrono>

#include "frame/automation.h"
#include "mime_peers.h"

namespace bench {
namespace {

// Calls one BSTR member and counts the characters of its answer.
template <class Call>
std::size_t answer(Call&& call) {
    BSTR s = nullptr;
    HRESULT hr = call(&s);
    std::size_t n = (hr == S_OK && s) ? SysStringLen(s) : 0;
    SysFreeString(s);
    return n;
}

}  // namespace

PeerResult run_velmo(const std::vector<std::string>& files) {
    velmo::ComPtr<IPOPMSG> msg;
    if (VelmoCreateInstance(u"Velmo.POPMSG", IID_IPOPMSG, msg.put_void()) != S_OK) return {};
    PeerResult r;
    auto start = std::chrono::steady_clock::now();
    for (const std::string& file : files) {
        BSTR name = velmo::to_bstr(file);
        LONG result = 1;
        msg->ImportFile(name, &result);
        SysFreeString(name);
        if (result != 0) return {};
        r.answer_bytes += answer([&](BSTR* s) { return msg->GetSubject(s); });
        r.answer_bytes += answer([&](BSTR* s) { return msg->GetFrom(s); });
        r.answer_bytes += answer([&](BSTR* s) { return msg->GetFromAddress(s); });
        r.answer_bytes += answer([&](BSTR* s) { return msg->GetRecipientAddr(1, s); });
        r.answer_bytes += answer([&](BSTR* s) { return msg->GetDate(s); });
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
}

}  // namespace bench
