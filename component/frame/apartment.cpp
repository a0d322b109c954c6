#include "frame/apartment.h"

#include <unistd.h>

#include <utility>

namespace velmo {

namespace detail {

// One call handed to an apartment. Its state is guarded by its own mutex so that the caller,
// the apartment's thread and a cancelling thread can each settle it without the others' locks.
struct QueuedCall {
    enum class State { queued, running, done, dropped };

    explicit QueuedCall(std::function<void()> f) : fn(std::move(f)) {}

    std::function<void()> fn;
    std::mutex mutex;
    std::condition_variable settled;
    State state = State::queued;
    bool abandoned = false;  // the caller was released by a cancel

    // Drops the call if it has not started, and releases its caller in any case.
    void give_up() {
        std::lock_guard lock(mutex);
        if (state == State::queued) state = State::dropped;
        abandoned = true;
        settled.notify_all();
    }
};

}  // namespace detail

using detail::QueuedCall;

void CallCancel::cancel() {
    std::shared_ptr<QueuedCall> pending;
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        pending = pending_;
    }
    if (pending) pending->give_up();
}

bool CallCancel::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

namespace {

// The calling thread's apartment. A thread that ends without leaving still closes it, so no
// caller waits for a thread that is gone.
struct ThreadApartment {
    std::shared_ptr<Apartment> apartment;
    int depth = 0;
    ~ThreadApartment() {
        if (apartment) apartment->close();
    }
};

ThreadApartment& this_thread_apartment() {
    thread_local ThreadApartment slot;
    return slot;
}

// gettid is a system call every time; a thread's id never changes.
pid_t this_thread_id() {
    thread_local const pid_t id = gettid();
    return id;
}

}  // namespace

Apartment::Apartment(pid_t owner) : thread_id_(owner) {}

Apartment::~Apartment() { close(); }

void Apartment::enter() {
    ThreadApartment& slot = this_thread_apartment();
    if (slot.depth++ == 0) slot.apartment = std::make_shared<Apartment>(this_thread_id());
}

void Apartment::leave() {
    ThreadApartment& slot = this_thread_apartment();
    if (slot.depth == 0) return;
    if (--slot.depth > 0) return;
    std::shared_ptr<Apartment> gone = std::move(slot.apartment);
    gone->close();
}

std::shared_ptr<Apartment> Apartment::current() { return this_thread_apartment().apartment; }

void Apartment::close() {
    std::deque<std::shared_ptr<QueuedCall>> dropped;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        closed_ = true;
        dropped.swap(queue_);
    }
    for (const auto& c : dropped) {
        std::lock_guard lock(c->mutex);
        if (c->state == QueuedCall::State::queued) c->state = QueuedCall::State::dropped;
        c->settled.notify_all();
    }
}

bool Apartment::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

size_t Apartment::queued() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void Apartment::set_wake_hook(std::function<void()> hook) {
    std::lock_guard lock(hook_mutex_);
    hook_ = std::move(hook);
}

void Apartment::wake() {
    std::lock_guard lock(hook_mutex_);
    if (hook_) hook_();
}

bool Apartment::run_one() {
    std::shared_ptr<QueuedCall> c;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty()) return false;
        c = std::move(queue_.front());
        queue_.pop_front();
    }
    {
        std::lock_guard lock(c->mutex);
        if (c->state != QueuedCall::State::queued) return true;  // given up before it started
        c->state = QueuedCall::State::running;
    }
    try {
        c->fn();
    } catch (...) {
        // The outcome of a call is not the caller's business; a throwing handler ends here.
    }
    c->fn = nullptr;  // what the call holds is released on this thread
    {
        std::lock_guard lock(c->mutex);
        c->state = QueuedCall::State::done;
    }
    // Told after the lock is let go, so the caller does not wake only to wait for it. `c` is
    // held here, so the call outlives its caller's return.
    c->settled.notify_all();
    return true;
}

size_t Apartment::run_queued() {
    size_t ran = 0;
    while (run_one()) ++ran;
    return ran;
}

size_t Apartment::pump(std::chrono::milliseconds wait) {
    std::shared_ptr<Apartment> a = current();
    if (!a) return 0;
    size_t ran = a->run_queued();
    if (ran > 0 || wait.count() <= 0) return ran;
    {
        std::unique_lock lock(a->mutex_);
        a->arrived_.wait_for(lock, wait, [&] { return !a->queue_.empty(); });
    }
    return a->run_queued();
}

bool Apartment::call(std::function<void()> fn, CallCancel* cancel) {
    if (cancel && cancel->cancelled()) return false;
    if (this_thread_id() == thread_id_ && !closed()) {
        fn();
        return true;
    }
    auto c = std::make_shared<QueuedCall>(std::move(fn));
    if (cancel) {
        std::lock_guard lock(cancel->mutex_);
        if (cancel->cancelled_) return false;
        cancel->pending_ = c;
    }
    bool queued = false;
    {
        std::lock_guard lock(mutex_);
        if (!closed_) {
            queue_.push_back(c);
            queued = true;
        }
    }
    bool started = false;
    if (queued) {
        arrived_.notify_all();
        wake();
        std::unique_lock lock(c->mutex);
        c->settled.wait(lock, [&] {
            return c->state == QueuedCall::State::done || c->state == QueuedCall::State::dropped ||
                   c->abandoned;
        });
        started = c->state == QueuedCall::State::done || c->state == QueuedCall::State::running;
    }
    if (cancel) {
        std::lock_guard lock(cancel->mutex_);
        cancel->pending_.reset();
    }
    return started;
}

}  // namespace velmo
