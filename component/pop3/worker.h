// The asynchronous worker of a POPMAIN object: one thread per asynchronous Connect that logs in,
// serves the job queue oldest first and reports every outcome as an event. The login and each
// job are one session request each: the session's failure cause is cleared as one begins, and
// a failure's cause is in place before its OnError is raised.
//
// Ownership. The POPMAIN object owns the Pop3Session, the JobQueue, the EventConnectionPoint
// and one WorkerControl, declared after the other three so it goes first. WorkerControl owns
// the most recent Worker; each Worker owns the one it replaced until that one has ended. Every
// Worker thread is joined before its Worker is destroyed, and the control joins the whole chain
// before the object's members go, so no worker outlives its object.
//
// Threads and fields.
// - Client thread (the object's own): calls WorkerControl::start / terminate / shutdown and
//   appends jobs; reads the session's connected flag and sets its timeout and log name (those
//   fields are atomic or locked inside the session).
// - Worker thread: the only thread that drives the session while it runs. A new worker first
//   joins the worker it replaces, so two workers never drive one session at once.
// - Listener threads: run the event handlers, each in its own apartment.
// - Worker::stop_ (atomic flag): set by the client thread, read by the worker at its stop checks.
// - WorkerControl::abandon_ (atomic flag): set only by shutdown. While a worker drives the
//   session, the session's stop predicate reads abandon_ and that worker's stop_, so a stop
//   request (Terminate, a new Connect, a release) ends its network waits within 250 ms and a
//   new worker never waits long for the one it replaces.
// - Worker::previous_: guarded by previous_mutex_ (the worker thread drops it, the client thread
//   forwards stop requests through it).
//
// Cross-thread calls.
// - Worker::request_stop (client -> worker, non-blocking): sets stop_, wakes an idle worker
//   through the queue's condition variable, gives up an event call that waits for a listener's
//   thread (cancel), and passes the request down the chain. The worker ends at its next stop
//   check, raising nothing more and leaving the session and the queue as they are.
// - Events (worker -> listener, blocking for the worker): EventConnectionPoint::raise posts each
//   call into the listener's apartment and waits until the handler has returned; the cancel of
//   request_stop releases that wait, so a stop never waits for a thread that does not pump.
// - JobQueue (both ways, mutex + condition variable): push / clear from the client, wait_front /
//   pop_front / clear from the worker.
// - WorkerControl::start (client, non-blocking): asks the running worker to stop and starts a
//   new thread, which waits for the old one to end before it touches the session.
// - WorkerControl::shutdown (client, blocking, bounded): for the release of the last reference.
//   Sets abandon_ and stops the chain, joins it (the worker's waits end within about 250 ms),
//   empties the queue and, when a session stands, sends QUIT and waits at most about a second
//   for the reply. Safe from inside an event handler on the listener's thread, since the
//   worker's wait for that handler is given up. A listener without an apartment runs on the
//   worker thread and must not release the object from its handler.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "frame/apartment.h"
#include "frame/connection_point.h"
#include "frame/events.h"
#include "pop3/job_queue.h"
#include "pop3/kept_message.h"
#include "pop3/pop3_session.h"

namespace velmo {

// What a worker works on; owned by the POPMAIN object, outliving every worker.
struct WorkerContext {
    Pop3Session& session;
    JobQueue& queue;
    EventConnectionPoint& events;
    // The object's ServerPort, read when the worker logs in (nullptr: the login's own port).
    const std::atomic<std::int32_t>* server_port = nullptr;
    // What IPOPRAW hands out: retrieved bytes and unique ids (nullptr: nothing is kept).
    KeptMessage* kept = nullptr;
};

// The login of one asynchronous Connect (USER and PASS) or SecureConnect (APOP).
struct WorkerLogin {
    // With the object's ServerPort in the context: the server as the client gave it ("host",
    // "host:port", "pop3s://host"), read with ServerPort as it stands at the login. Without
    // one: the host for the session, and `port`.
    std::string server;
    std::string user;
    std::string password;
    std::int32_t port = 110;
    // False for a login the object refuses outright (fields too long): the worker still ends
    // the standing session, then reports the failed login without contacting the server,
    // giving `refusal` as its cause.
    bool acceptable = true;
    std::string refusal{};
    bool apop = false;
    std::string access_token{};  // OAuth2 sign-in instead of the password when not empty
};

// The OnError text of a failed login (0) or job (its kind); empty for other numbers.
const char* worker_error_text(std::int32_t number);

class Worker {
public:
    // Starts the thread. `previous` is the worker this one replaces; the new thread waits for
    // it to end before it touches the session.
    // `abandon`, when given, is the control's flag that also ends the session's waits.
    Worker(WorkerContext context, WorkerLogin login, std::unique_ptr<Worker> previous,
           const std::atomic<bool>* abandon = nullptr);
    ~Worker();  // joins; stop the worker first or this waits for the session to end
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // The stop request; any thread, never blocks.
    void request_stop();
    void join();

private:
    void run();
    bool stopped() const { return stop_.load(); }
    // Raises one event unless a stop was requested; false when stopped (the worker must end).
    bool raise(DISPID id, std::initializer_list<EventArg> args);
    // Runs one job; false when a stop check ended the worker.
    bool run_job(const Job& job);
    bool fail(std::int32_t number);
    // Ends the session with QUIT and notes whether it was answered (IPOPRAW QuitConfirmed).
    void close_session();
    bool retrieve(std::int32_t number);

    WorkerContext context_;
    WorkerLogin login_;
    const std::atomic<bool>* abandon_;
    std::atomic<bool> stop_{false};
    CallCancel cancel_;
    std::mutex previous_mutex_;
    std::unique_ptr<Worker> previous_;
    std::thread thread_;
};

// The POPMAIN object's hold on its workers.
class WorkerControl {
public:
    // Installs the session's stop predicate; no worker may run yet.
    explicit WorkerControl(WorkerContext context);
    ~WorkerControl();  // shutdown()
    WorkerControl(const WorkerControl&) = delete;
    WorkerControl& operator=(const WorkerControl&) = delete;

    // Connect / SecureConnect: stop the running worker and start a new one. Never blocks.
    void start(WorkerLogin login);
    // Terminate: stop request to the running worker, then empty the queue. Never blocks.
    void terminate();
    // Release: stop and join every worker, empty the queue, end a standing session with QUIT
    // (its reply awaited at most kQuitWaitMs). Returns within about two seconds.
    void shutdown();

    static constexpr std::uint32_t kQuitWaitMs = 1000;

private:
    WorkerContext context_;
    std::atomic<bool> abandon_{false};
    std::unique_ptr<Worker> current_;
};

}  // namespace velmo
