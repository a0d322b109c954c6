// A test client of IMSGSTORE: creates the object through the exported entry point and turns
// each call into plain strings and numbers, checking that every call answers S_OK.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "frame/automation.h"

namespace store_test {

// Owns a BSTR argument; nothing means a null BSTR.
class Arg {
public:
    Arg(std::nullopt_t) {}
    Arg(const char* s) : b_(velmo::to_bstr(s)) {}
    Arg(const std::string& s) : b_(velmo::to_bstr(s)) {}
    ~Arg() { SysFreeString(b_); }
    Arg(const Arg&) = delete;
    Arg& operator=(const Arg&) = delete;
    operator BSTR() const { return b_; }

private:
    BSTR b_ = nullptr;
};

class StoreClient {
public:
    StoreClient() { EXPECT_EQ(VelmoCreateInstance(u"Velmo.MSGSTORE", IMSGSTORE::iid, p_.put_void()), S_OK); }
    IMSGSTORE* get() const { return p_.get(); }

    LONG CreateMailBox(const Arg& box) { return status(&IMSGSTORE::CreateMailBox, box); }
    LONG DeleteMailBox(const Arg& box) { return status(&IMSGSTORE::DeleteMailBox, box); }
    LONG ClearMailBox(const Arg& box) { return status(&IMSGSTORE::ClearMailBox, box); }
    LONG IsMailBoxExisted(const Arg& box) { return status(&IMSGSTORE::IsMailBoxExisted, box); }
    std::string GetMailBoxPath(const Arg& box) { return text(&IMSGSTORE::GetMailBoxPath, box); }
    LONG GetMailBoxCount() { return status(&IMSGSTORE::GetMailBoxCount); }
    std::string GetMailBoxName(LONG i) { return text(&IMSGSTORE::GetMailBoxName, i); }
    LONG GetEmailCount(const Arg& box) { return status(&IMSGSTORE::GetEmailCount, box); }
    std::string GetEmailId(const Arg& box, LONG i) { return text(&IMSGSTORE::GetEmailId, box, i); }
    LONG IsEmailExisted(const Arg& box, const Arg& id) { return status(&IMSGSTORE::IsEmailExisted, box, id); }
    LONG DeleteEmail(const Arg& box, LONG i) { return status(&IMSGSTORE::DeleteEmail, box, i); }
    LONG DeleteEmailById(const Arg& box, const Arg& id) {
        return status(&IMSGSTORE::DeleteEmailById, box, id);
    }
    std::string GetEmail(const Arg& box, LONG i) { return text(&IMSGSTORE::GetEmail, box, i); }
    std::string GetEmailById(const Arg& box, const Arg& id) {
        return text(&IMSGSTORE::GetEmailById, box, id);
    }
    LONG SaveEmail(const Arg& box, const Arg& raw) { return status(&IMSGSTORE::SaveEmail, box, raw); }
    LONG SaveEmailById(const Arg& box, const Arg& raw, const Arg& id) {
        return status(&IMSGSTORE::SaveEmailById, box, raw, id);
    }

private:
    template <class Member, class... Given>
    LONG status(Member m, const Given&... args) {
        LONG v = -99;
        EXPECT_EQ((p_.get()->*m)(pass(args)..., &v), S_OK);
        return v;
    }
    template <class Member, class... Given>
    std::string text(Member m, const Given&... args) {
        BSTR v = nullptr;
        EXPECT_EQ((p_.get()->*m)(pass(args)..., &v), S_OK);
        EXPECT_NE(v, nullptr) << "a string result is never null";
        std::string s = velmo::to_utf8(v);
        SysFreeString(v);
        return s;
    }
    static BSTR pass(const Arg& a) { return a; }
    static LONG pass(LONG n) { return n; }

    velmo::ComPtr<IMSGSTORE> p_;
};

}  // namespace store_test
