// JobQueue: the POPMAIN object's pending asynchronous work, oldest first.
//
// Shared by the client's thread, which appends jobs and empties the queue (Terminate), and the
// worker, which takes the first job, removes it when the job is over and empties the queue. A
// mutex guards every access; a condition variable wakes an idle worker the moment a job is
// appended or a stop is requested, so the worker never polls.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace velmo {

// Kinds of jobs, numbered as the events report them in OnError.
enum JobKind : std::int32_t {
    kJobDelete = 1,
    kJobClose = 2,
    kJobMsgId = 3,
    kJobMsgSize = 4,
    kJobSizeOfMails = 5,
    kJobTotalOfMails = 6,
    kJobNoop = 7,
    kJobReset = 8,
    kJobRetrieve = 9,
    kJobMsgHeader = 10,
};

struct Job {
    std::int32_t kind = 0;
    std::int32_t argument = 0;  // the message number, or 0
    std::uint64_t serial = 0;   // set by the queue: tells one queued job from another
};

class JobQueue {
public:
    JobQueue() = default;
    JobQueue(const JobQueue&) = delete;
    JobQueue& operator=(const JobQueue&) = delete;

    // Appends a job; a job that cannot be stored is dropped without a word.
    void push(std::int32_t kind, std::int32_t argument);
    void clear();
    std::size_t size() const;

    // Worker: waits until a job is queued or `stop` is set. Returns false when stopped (jobs
    // may remain); otherwise copies the first job into `out` and leaves it queued.
    bool wait_front(const std::atomic<bool>& stop, Job& out);
    // Worker: removes the first job if it is still `job` (the queue may have been emptied and
    // refilled meanwhile).
    void pop_front(const Job& job);
    // Wakes every waiting worker, so it looks at its stop flag again.
    void wake();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Job> jobs_;
    std::uint64_t next_serial_ = 1;
};

}  // namespace velmo
