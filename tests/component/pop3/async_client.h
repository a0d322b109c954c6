// Test helpers for the asynchronous POP3 client: a listener that records every event with
// the thread it arrived on, and a pump that lets the test's thread run its events until a
// condition holds.
#pragma once

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "frame/apartment.h"
#include "frame/event_sink.h"

namespace asynctest {

using namespace std::chrono_literals;

// Records each event as a short line ("connected", "count 2", "error 1 Error with ...").
class Recorder final : public velmo::EventSink {
public:
    void OnConnected() override { note("connected"); }
    void OnClosed() override { note("closed"); }
    void OnReceiving(LONG b, LONG m) override {
        received_bytes += b;
        note("receiving " + n(m));
    }
    void OnDeleted(LONG m) override { note("deleted " + n(m)); }
    void OnGetMsgID(const std::string& id, LONG m) override { note("id " + id + " " + n(m)); }
    void OnGetMsgSize(LONG s, LONG m) override { note("size " + n(s) + " " + n(m)); }
    void OnGetSizeOfMails(LONG s) override { note("total size " + n(s)); }
    void OnGetTotalOfMails(LONG c) override { note("count " + n(c)); }
    void OnRetrieve(LONG m) override { note("retrieve " + n(m)); }
    void OnRetrieved(const std::string& d, LONG m) override {
        set_text(d);
        note("retrieved " + n(m));
    }
    void OnGetMsgHeader(const std::string& d, LONG m) override {
        set_text(d);
        note("header " + n(m));
    }
    void OnError(LONG e, const std::string& d) override { note("error " + n(e) + " " + d); }

    std::vector<std::string> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    // Events other than "receiving".
    std::vector<std::string> main_events() const {
        std::vector<std::string> out;
        for (const auto& e : events())
            if (e.rfind("receiving", 0) != 0) out.push_back(e);
        return out;
    }
    bool saw(const std::string& event) const {
        for (const auto& e : events())
            if (e == event) return true;
        return false;
    }
    std::vector<pid_t> threads() const {
        std::lock_guard lock(mutex_);
        return threads_;
    }
    std::string text() const {
        std::lock_guard lock(mutex_);
        return text_;
    }
    int most_at_once() const { return most_inside_.load(); }

    std::atomic<long> received_bytes{0};
    // Called inside the handler, after the event is recorded.
    std::function<void(const std::string&)> on_event;
    // How long each handler lingers, to expose overlapping deliveries.
    std::chrono::milliseconds linger{0};

private:
    static std::string n(LONG v) { return std::to_string(v); }
    void set_text(const std::string& d) {
        std::lock_guard lock(mutex_);
        text_ = d;
    }
    void note(std::string e) {
        int now = ++inside_;
        int seen = most_inside_.load();
        while (now > seen && !most_inside_.compare_exchange_weak(seen, now)) {
        }
        {
            std::lock_guard lock(mutex_);
            events_.push_back(e);
            threads_.push_back(gettid());
        }
        if (linger.count() > 0) usleep(static_cast<useconds_t>(linger.count() * 1000));
        if (on_event) on_event(e);
        --inside_;
    }

    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<pid_t> threads_;
    std::string text_;
    std::atomic<int> inside_{0};
    std::atomic<int> most_inside_{0};
};

// Pumps the calling thread's apartment until `done` holds; false when `limit` passed first.
inline bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s) {
    auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        velmo::Apartment::pump(20ms);
    }
    return true;
}

// Pumps for a while, whatever arrives.
inline void pump_for(std::chrono::milliseconds span) {
    auto until = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < until) velmo::Apartment::pump(10ms);
}

// Enters an apartment for the test's thread and leaves it at the end.
struct InApartment {
    InApartment() { velmo::Apartment::enter(); }
    ~InApartment() { velmo::Apartment::leave(); }
};

}  // namespace asynctest
