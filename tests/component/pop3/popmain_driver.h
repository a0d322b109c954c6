// PopMainDriver: a POPMAIN object created by ProgID, driven with std::string in and out, so
// the session tests read as the calls a client makes. Results come back as optionals that are
// empty exactly when the operation answered status 1.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "frame/automation.h"
#include "pop3/ipopstatus.h"

namespace pop3test {

// What IPOPSTATUS says about a POPMAIN object's last failure.
struct Cause {
    LONG kind = -1;
    std::string text;
};

class Bstr {
public:
    explicit Bstr(std::string_view text) : p_(velmo::to_bstr(text)) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(p_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return p_; }
    BSTR* out() {
        SysFreeString(p_);
        p_ = nullptr;
        return &p_;
    }
    std::string text() const { return velmo::to_utf8(p_); }

private:
    BSTR p_ = nullptr;
};

class PopMainDriver {
public:
    PopMainDriver() {
        HRESULT hr = VelmoCreateInstance(u"Velmo.POPMAIN", IID_IPOPMAIN, pop_.put_void());
        EXPECT_EQ(hr, S_OK);
    }
    IPOPMAIN* operator->() const { return pop_.get(); }
    IPOPMAIN* get() const { return pop_.get(); }
    void release() { pop_.reset(); }

    LONG connect(std::string_view server, std::string_view user, std::string_view password) {
        return login(&IPOPMAIN::Connect, server, user, password);
    }
    LONG secure_connect(std::string_view server, std::string_view user, std::string_view password) {
        return login(&IPOPMAIN::SecureConnect, server, user, password);
    }
    std::optional<LONG> total() { return long_result(&IPOPMAIN::GetTotalOfMails); }
    std::optional<LONG> total_size() { return long_result(&IPOPMAIN::GetSizeOfMails); }
    std::optional<LONG> size(LONG n) { return long_result(&IPOPMAIN::GetMsgSize, n); }
    std::optional<std::string> retrieve(LONG n) { return text_result(&IPOPMAIN::Retrieve, n); }
    std::optional<std::string> header(LONG n) { return text_result(&IPOPMAIN::GetMsgHeader, n); }
    std::optional<std::string> id(LONG n) { return text_result(&IPOPMAIN::GetMsgID, n); }
    LONG remove(LONG n) {
        LONG result = -7;
        EXPECT_EQ(pop_->Delete(n, &result), S_OK);
        return result;
    }
    void close() { EXPECT_EQ(pop_->Close(), S_OK); }
    bool connected() {
        VARIANT_BOOL v = 7;
        EXPECT_EQ(pop_->get_Connected(&v), S_OK);
        EXPECT_TRUE(v == VARIANT_TRUE || v == VARIANT_FALSE) << v;
        return v == VARIANT_TRUE;
    }
    Cause cause() const {
        Cause c;
        velmo::ComPtr<IPOPSTATUS> status;
        EXPECT_EQ(pop_->QueryInterface(IPOPSTATUS::iid, status.put_void()), S_OK);
        if (!status) return c;
        EXPECT_EQ(status->get_LastFailureKind(&c.kind), S_OK);
        BSTR text = nullptr;
        EXPECT_EQ(status->get_LastFailure(&text), S_OK);
        c.text = velmo::to_utf8(text);
        SysFreeString(text);
        return c;
    }
    void set_timeout(LONG seconds) { EXPECT_EQ(pop_->put_Timeout(seconds), S_OK); }
    void set_port(LONG port) { EXPECT_EQ(pop_->put_ServerPort(port), S_OK); }
    void set_log(std::string_view path) {
        Bstr b(path);
        EXPECT_EQ(pop_->put_LogFileName(b.get()), S_OK);
    }

private:
    using Login = HRESULT (IPOPMAIN::*)(BSTR, BSTR, BSTR, LONG*);
    LONG login(Login fn, std::string_view server, std::string_view user, std::string_view password) {
        Bstr s(server), u(user), p(password);
        LONG result = -7;
        EXPECT_EQ((pop_.get()->*fn)(s.get(), u.get(), p.get(), &result), S_OK);
        return result;
    }
    // A failing query answers S_FALSE and must leave its result as it was.
    std::optional<LONG> long_result(HRESULT (IPOPMAIN::*fn)(LONG*)) {
        LONG v = -7;
        HRESULT hr = (pop_.get()->*fn)(&v);
        return finish(hr, v);
    }
    std::optional<LONG> long_result(HRESULT (IPOPMAIN::*fn)(LONG, LONG*), LONG n) {
        LONG v = -7;
        HRESULT hr = (pop_.get()->*fn)(n, &v);
        return finish(hr, v);
    }
    std::optional<LONG> finish(HRESULT hr, LONG v) {
        EXPECT_TRUE(hr == S_OK || hr == S_FALSE) << hr;
        if (hr == S_OK) return v;
        EXPECT_EQ(v, -7) << "a failing query wrote its result";
        return std::nullopt;
    }
    std::optional<std::string> text_result(HRESULT (IPOPMAIN::*fn)(LONG, BSTR*), LONG n) {
        BSTR out = nullptr;
        HRESULT hr = (pop_.get()->*fn)(n, &out);
        EXPECT_TRUE(hr == S_OK || hr == S_FALSE) << hr;
        if (hr != S_OK) {
            EXPECT_EQ(out, nullptr) << "a failing query wrote its result";
            SysFreeString(out);
            return std::nullopt;
        }
        std::string text = velmo::to_utf8(out);
        SysFreeString(out);
        return text;
    }

    velmo::ComPtr<IPOPMAIN> pop_;
};

}  // namespace pop3test
