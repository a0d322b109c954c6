#include "pop3/job_queue.h"

#include <new>

namespace velmo {

void JobQueue::push(std::int32_t kind, std::int32_t argument) {
    {
        std::lock_guard lock(mutex_);
        try {
            jobs_.push_back({kind, argument, next_serial_++});
        } catch (const std::bad_alloc&) {
            return;  // the queue cannot grow: the job is lost
        }
    }
    changed_.notify_all();
}

void JobQueue::clear() {
    std::lock_guard lock(mutex_);
    jobs_.clear();
}

std::size_t JobQueue::size() const {
    std::lock_guard lock(mutex_);
    return jobs_.size();
}

bool JobQueue::wait_front(const std::atomic<bool>& stop, Job& out) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stop.load() || !jobs_.empty(); });
    if (stop.load()) return false;
    out = jobs_.front();
    return true;
}

void JobQueue::pop_front(const Job& job) {
    std::lock_guard lock(mutex_);
    if (!jobs_.empty() && jobs_.front().serial == job.serial) jobs_.erase(jobs_.begin());
}

void JobQueue::wake() {
    // Taking the lock orders the wake-up after a waiter's test of its predicate: no lost wake.
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

}  // namespace velmo
