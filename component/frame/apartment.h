// Apartments: how calls from the component's worker threads reach a client's own thread.
//
// A thread that enters an apartment owns a queue of calls meant for it. Another thread hands
// it a call with Apartment::call() and waits until the owning thread has run it, so calls
// arrive one at a time and in order, on the thread that entered. The owning thread runs its
// queue when it pumps: a plain thread calls Apartment::pump(); an event-loop host sets a wake
// hook, which is called (on the posting thread) whenever a call is queued, and pumps from its
// own loop in answer.
//
// A waiting caller never hangs on a thread that will not pump: it gives up when the apartment
// is left (the thread is gone) or when its CallCancel is cancelled (for instance by the thread
// that is releasing the object on whose behalf the call was made). A call that was given up
// before it started is never run; the call's own data stays alive until it is dropped.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace velmo {

namespace detail {
struct QueuedCall;
}

// Lets a thread other than the caller give up one caller's waits in Apartment::call().
// One CallCancel serves one calling thread at a time; once cancelled it stays cancelled.
class CallCancel {
public:
    CallCancel() = default;
    CallCancel(const CallCancel&) = delete;
    CallCancel& operator=(const CallCancel&) = delete;

    // Any thread: drops a call that has not started yet and releases the waiting caller.
    void cancel();
    bool cancelled() const;

private:
    friend class Apartment;
    mutable std::mutex mutex_;
    bool cancelled_ = false;
    std::shared_ptr<detail::QueuedCall> pending_;  // the call its owner waits for, if any
};

class Apartment {
public:
    // The calling thread enters its apartment (creating it on the first enter) or leaves it.
    // Enter and leave nest; the apartment closes at the last leave: queued calls are dropped
    // and their callers released.
    static void enter();
    static void leave();
    // The calling thread's apartment, or null when it has none.
    static std::shared_ptr<Apartment> current();

    // Runs the calls queued for the calling thread's apartment. When none was queued, waits up
    // to `wait` for one and runs what has arrived by then. Returns how many calls ran; returns 0
    // at once on a thread without an apartment.
    static size_t pump(std::chrono::milliseconds wait);

    // Called on the posting thread each time a call is queued. Setting another hook (or none)
    // waits for a hook that is running on another thread to return. The hook must not wait
    // for the apartment's thread.
    void set_wake_hook(std::function<void()> hook);

    // Runs fn on this apartment's thread and waits until it has returned. Runs it at once when
    // the caller is that thread. Returns false without running fn when the apartment has been
    // left or `cancel` (may be null) is or becomes cancelled before fn starts; a cancel while
    // fn runs releases the caller at once, and fn finishes on its own.
    bool call(std::function<void()> fn, CallCancel* cancel);

    // The owning thread's id (gettid) and whether it has left.
    pid_t thread_id() const { return thread_id_; }
    bool closed() const;
    // Calls queued and not yet taken.
    size_t queued() const;

    // Drops the queued calls and releases their callers; later calls are refused. The last
    // leave() does this, and so does the end of a thread that never left.
    void close();

    explicit Apartment(pid_t owner);
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    ~Apartment();

private:
    size_t run_queued();
    bool run_one();
    void wake();

    const pid_t thread_id_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::shared_ptr<detail::QueuedCall>> queue_;
    bool closed_ = false;

    std::mutex hook_mutex_;  // held while the hook runs, so a replaced hook is never called
    std::function<void()> hook_;
};

}  // namespace velmo
