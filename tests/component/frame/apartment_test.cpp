// Apartments: calls from other threads run on the owning thread while it pumps, one at a
// time and in order, and a caller is never left waiting for a thread that will not run them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "frame/apartment.h"

namespace {

using namespace std::chrono_literals;
using velmo::Apartment;
using velmo::CallCancel;

// Enters an apartment for the test's thread and leaves it at the end.
struct InApartment {
    InApartment() { Apartment::enter(); }
    ~InApartment() { Apartment::leave(); }
};

// Pumps the calling thread until `done` holds or the time is up.
template <class Pred>
bool pump_until(Pred done, std::chrono::milliseconds limit = 5000ms) {
    auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        Apartment::pump(20ms);
    }
    return true;
}

TEST(Apartment, CallRunsOnTheOwningThreadAndTheCallerWaitsForIt) {
    InApartment here;
    auto apartment = Apartment::current();
    ASSERT_TRUE(apartment);
    EXPECT_EQ(apartment->thread_id(), gettid());

    std::atomic<pid_t> ran_on{0};
    std::atomic<bool> returned{false};
    std::atomic<bool> ran_before_return{false};
    std::thread caller([&] {
        bool ok = apartment->call([&] { ran_on = gettid(); }, nullptr);
        ran_before_return = ran_on.load() != 0;
        returned = ok;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ran_on.load(), 0) << "ran before the owner pumped";
    EXPECT_TRUE(pump_until([&] { return returned.load(); }));
    caller.join();
    EXPECT_EQ(ran_on.load(), gettid());
    EXPECT_TRUE(ran_before_return.load());
}

TEST(Apartment, CallsFromSeveralThreadsRunOneAtATimeAndEachCallersInOrder) {
    InApartment here;
    auto apartment = Apartment::current();
    std::atomic<int> inside{0}, most_inside{0}, finished{0};
    std::mutex m;
    std::vector<std::vector<int>> seen(3);
    std::vector<std::thread> callers;
    for (int t = 0; t < 3; ++t)
        callers.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i)
                apartment->call(
                    [&, t, i] {
                        int now = ++inside;
                        most_inside = std::max(most_inside.load(), now);
                        std::lock_guard lock(m);
                        seen[t].push_back(i);
                        --inside;
                    },
                    nullptr);
            ++finished;
        });
    EXPECT_TRUE(pump_until([&] { return finished.load() == 3; }));
    for (auto& c : callers) c.join();
    EXPECT_EQ(most_inside.load(), 1);
    for (const auto& s : seen) {
        ASSERT_EQ(s.size(), 20u);
        for (int i = 0; i < 20; ++i) EXPECT_EQ(s[i], i);
    }
}

TEST(Apartment, CallFromTheOwningThreadRunsAtOnce) {
    InApartment here;
    bool ran = false;
    EXPECT_TRUE(Apartment::current()->call([&] { ran = true; }, nullptr));
    EXPECT_TRUE(ran);
}

TEST(Apartment, LeavingReleasesWaitingCallersWithoutRunningTheirCalls) {
    std::shared_ptr<Apartment> apartment;
    std::promise<void> queued;
    std::promise<void> left;
    std::thread owner([&] {
        Apartment::enter();
        apartment = Apartment::current();
        queued.set_value();
        while (apartment->queued() == 0) std::this_thread::sleep_for(1ms);
        Apartment::leave();  // never pumps
        left.set_value();
    });
    queued.get_future().wait();
    std::atomic<bool> ran{false};
    auto result = std::async(std::launch::async, [&] { return apartment->call([&] { ran = true; }, nullptr); });
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(result.get());
    left.get_future().wait();
    owner.join();
    EXPECT_FALSE(ran.load());
    EXPECT_TRUE(apartment->closed());
    EXPECT_FALSE(apartment->call([&] { ran = true; }, nullptr)) << "a closed apartment takes no call";
    EXPECT_FALSE(ran.load());
}

TEST(Apartment, AThreadThatEndsWithoutLeavingClosesItsApartment) {
    std::shared_ptr<Apartment> apartment;
    std::thread owner([&] {
        Apartment::enter();
        apartment = Apartment::current();
    });
    owner.join();
    ASSERT_TRUE(apartment);
    EXPECT_TRUE(apartment->closed());
    EXPECT_FALSE(apartment->call([] {}, nullptr));
}

TEST(Apartment, EnterAndLeaveNest) {
    Apartment::enter();
    auto first = Apartment::current();
    Apartment::enter();
    EXPECT_EQ(Apartment::current(), first);
    Apartment::leave();
    EXPECT_EQ(Apartment::current(), first);
    EXPECT_FALSE(first->closed());
    Apartment::leave();
    EXPECT_FALSE(Apartment::current());
    EXPECT_TRUE(first->closed());
}

TEST(Apartment, CancelBeforeTheCallStartsDropsItAndReleasesTheCaller) {
    InApartment here;
    auto apartment = Apartment::current();
    CallCancel cancel;
    std::atomic<bool> ran{false};
    auto result = std::async(std::launch::async, [&] { return apartment->call([&] { ran = true; }, &cancel); });
    while (apartment->queued() == 0) std::this_thread::sleep_for(1ms);
    cancel.cancel();  // as the releasing thread does while it does not pump
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(result.get());
    Apartment::pump(0ms);
    EXPECT_FALSE(ran.load()) << "a dropped call ran later";
    EXPECT_FALSE(apartment->call([&] { ran = true; }, &cancel)) << "a cancelled caller calls no more";
}

TEST(Apartment, CancelDuringTheCallReleasesTheCallerAndTheCallFinishesSafely) {
    InApartment here;
    auto apartment = Apartment::current();
    CallCancel cancel;
    auto payload = std::make_shared<std::vector<int>>(1000, 7);
    std::atomic<bool> caller_back{false};
    int sum = 0;
    std::function<void()> handler = [&cancel, &caller_back, &sum, payload] {
        cancel.cancel();  // a handler that releases the object cancels the worker's wait
        for (int i = 0; i < 500 && !caller_back; ++i) std::this_thread::sleep_for(1ms);
        for (int v : *payload) sum += v;  // its own data is still alive
    };
    std::thread caller([&, handler = std::move(handler)]() mutable {
        apartment->call(std::move(handler), &cancel);
        caller_back = true;
    });
    payload.reset();
    EXPECT_TRUE(pump_until([&] { return caller_back.load(); }));
    caller.join();
    EXPECT_EQ(sum, 7000);
}

TEST(Apartment, WakeHookRunsOnThePostingThreadForEveryQueuedCall) {
    InApartment here;
    auto apartment = Apartment::current();
    std::mutex m;
    std::condition_variable cv;
    int wakes = 0;
    std::vector<pid_t> hook_threads;
    apartment->set_wake_hook([&] {
        std::lock_guard lock(m);
        ++wakes;
        hook_threads.push_back(gettid());
        cv.notify_all();
    });
    std::atomic<pid_t> caller_tid{0};
    std::atomic<int> ran{0};
    std::thread caller([&] {
        caller_tid = gettid();
        for (int i = 0; i < 3; ++i) apartment->call([&] { ++ran; }, nullptr);
    });
    // An event-loop host: sleeps until woken, then pumps without waiting.
    while (ran.load() < 3) {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, 5s, [&] { return wakes > ran.load(); }));
        lock.unlock();
        Apartment::pump(0ms);
    }
    caller.join();
    apartment->set_wake_hook(nullptr);
    EXPECT_EQ(wakes, 3);
    for (pid_t t : hook_threads) EXPECT_EQ(t, caller_tid.load());
}

TEST(Apartment, PumpWaitsAtMostTheGivenTime) {
    EXPECT_EQ(Apartment::pump(1000ms), 0u) << "no apartment: returns at once";
    InApartment here;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Apartment::pump(100ms), 0u);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 90ms);
    EXPECT_LT(took, 2000ms);
}

TEST(Apartment, PumpWakesForACallThatArrivesWhileItWaits) {
    InApartment here;
    auto apartment = Apartment::current();
    std::thread caller([&] {
        std::this_thread::sleep_for(50ms);
        apartment->call([] {}, nullptr);
    });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Apartment::pump(5000ms), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2000ms);
    caller.join();
}

}  // namespace
