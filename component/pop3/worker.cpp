#include "pop3/worker.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "pop3/pipelined_reply.h"
#include "pop3/reply_reader.h"
#include "pop3/server_address.h"

namespace velmo {

const char* worker_error_text(std::int32_t number) {
    switch (number) {
    case 0: return "Error with connecting server.";
    case kJobDelete: return "Error with deleting mail.";
    case kJobMsgId: return "Error with getting message-id.";
    case kJobMsgSize: return "Error with getting message's size.";
    case kJobSizeOfMails: return "Error with getting total size of all mails.";
    case kJobTotalOfMails: return "Error with getting total count of all mails.";
    case kJobNoop: return "Error with performing command NOOP.";
    case kJobReset: return "Error with performing command RSET.";
    case kJobRetrieve: return "Error with retreiving message.";
    case kJobMsgHeader: return "Error with getting message's header.";
    default: return "";
    }
}

Worker::Worker(WorkerContext context, WorkerLogin login, std::unique_ptr<Worker> previous,
               const std::atomic<bool>* abandon)
    : context_(context), login_(std::move(login)), abandon_(abandon), previous_(std::move(previous)) {
    thread_ = std::thread([this] {
        // Nothing may leave the thread: a failure the worker did not foresee (memory running
        // out, say) ends its session and is reported as the session's end.
        try {
            run();
        } catch (...) {
            try {
                context_.session.SetFailure(FailureKind::Internal, "the worker failed unexpectedly");
                context_.session.CloseSession();
                raise(DISPID_OnClosed, {});
            } catch (...) {
            }
        }
    });
}

Worker::~Worker() { join(); }

void Worker::join() {
    if (thread_.joinable()) thread_.join();
}

void Worker::request_stop() {
    stop_.store(true);
    cancel_.cancel();         // an event waiting for a listener's thread is given up
    context_.queue.wake();    // an idle worker looks at its flag again
    std::lock_guard lock(previous_mutex_);
    if (previous_) previous_->request_stop();
}

bool Worker::raise(DISPID id, std::initializer_list<EventArg> args) {
    if (stopped()) return false;
    context_.events.raise(id, std::span<const EventArg>(args.begin(), args.size()), &cancel_);
    return true;
}

void Worker::run() {
    // The worker that this one replaces must be done with the session first.
    Worker* previous;
    {
        std::lock_guard lock(previous_mutex_);
        previous = previous_.get();
    }
    if (previous) {
        previous->join();
        std::lock_guard lock(previous_mutex_);
        previous_.reset();
    }
    if (stopped()) return;

    Pop3Session& session = context_.session;
    // While this worker drives the session its stop request ends the session's waits; the
    // control's own predicate comes back when it is done.
    const std::atomic<bool>* abandon = abandon_;
    session.set_stop_predicate([this, abandon] { return stop_.load() || (abandon && abandon->load()); });
    struct Restore {
        Pop3Session& session;
        const std::atomic<bool>* abandon;
        ~Restore() { session.set_stop_predicate([a = abandon] { return a && a->load(); }); }
    } restore{session, abandon};
    session.CloseSession();
    if (context_.kept) context_.kept->reset();  // nothing of an earlier connection is kept
    context_.queue.clear();  // jobs queued before the worker started are dropped
    if (stopped()) return;

    session.BeginRequest();
    if (!login_.acceptable) session.SetFailure(FailureKind::Refused, login_.refusal);
    session.set_access_token(login_.access_token);
    ServerAddress address{login_.server, login_.port, true, false};
    if (context_.server_port) address = parse_server_address(login_.server, context_.server_port->load());
    auto log_in = [&] {
        return login_.apop ? session.LoginApop(address.host, login_.user, login_.password, address.port)
                           : session.LoginUserPass(address.host, login_.user, login_.password, address.port);
    };
    if (!login_.acceptable || !log_in()) {
        if (!raise(DISPID_OnError, {LONG{0}, std::string(worker_error_text(0))})) return;
        raise(DISPID_OnClosed, {});
        return;
    }
    session.EndRequest(true);
    if (!raise(DISPID_OnConnected, {})) return;

    while (session.connected()) {
        Job job;
        if (!context_.queue.wait_front(stop_, job)) return;  // stopped while idle
        if (!run_job(job)) return;
        context_.queue.pop_front(job);
    }

    if (!raise(DISPID_OnClosed, {})) return;
    if (stopped()) return;
    context_.queue.clear();
}

bool Worker::fail(std::int32_t number) {
    if (!raise(DISPID_OnError, {LONG{number}, std::string(worker_error_text(number))})) return false;
    close_session();
    return true;
}

void Worker::close_session() {
    const bool answered = context_.session.CloseSession();
    if (context_.kept) context_.kept->set_quit_confirmed(answered);
}

bool Worker::run_job(const Job& job) {
    Pop3Session& session = context_.session;
    const LONG n = job.argument;
    session.BeginRequest();
    switch (job.kind) {
    case kJobDelete:
        if (session.DeletingAhead(n)) {
            std::string id;
            const bool ok = session.TakeDeleteAhead(n, id);
            if (context_.kept) context_.kept->set_unique_id(n, std::move(id));
            if (!ok) return fail(job.kind);
        } else if (KeptMessage* kept = context_.kept; kept && kept->ask_ids()) {
            std::string id;
            const bool ok = session.DeleAskingId(n, id);
            kept->set_unique_id(n, std::move(id));
            if (!ok) return fail(job.kind);
        } else if (!session.Dele(n)) {
            return fail(job.kind);
        }
        return raise(DISPID_OnDeleted, {n});
    case kJobClose:
        close_session();
        return true;
    case kJobMsgId: {
        std::string id;
        if (!session.LookupUniqueId(n, id)) return fail(job.kind);
        return raise(DISPID_OnGetMsgID, {id, n});
    }
    case kJobMsgSize: {
        std::uint32_t size = 0;
        if (!session.LookupSize(n, size)) return fail(job.kind);
        // Sizes of 2^31 and more read as the largest LONG, as GetMsgSize gives them.
        const LONG clamped = static_cast<LONG>(std::min<std::uint32_t>(size, 0x7FFFFFFFu));
        return raise(DISPID_OnGetMsgSize, {clamped, n});
    }
    case kJobSizeOfMails:
    case kJobTotalOfMails: {
        std::int32_t count = 0, total = 0;
        if (!session.Stat(count, total)) return fail(job.kind);
        if (job.kind == kJobSizeOfMails) return raise(DISPID_OnGetSizeOfMails, {LONG{total}});
        return raise(DISPID_OnGetTotalOfMails, {LONG{count}});
    }
    case kJobNoop:
        return session.Noop() ? true : fail(job.kind);
    case kJobReset:
        return session.Rset() ? true : fail(job.kind);
    case kJobRetrieve:
        return retrieve(n);
    case kJobMsgHeader: {
        std::string header;
        if (!session.Top(n, header)) return fail(job.kind);
        return raise(DISPID_OnGetMsgHeader, {header, n});
    }
    default:
        return true;  // unknown kinds are removed without effect
    }
}

// Job 9 reads the reply itself: one OnReceiving per chunk, and the status line stays in front
// of the text that OnRetrieved brings.
bool Worker::retrieve(std::int32_t number) {
    Pop3Session& session = context_.session;
    if (context_.kept) context_.kept->forget_retrieved();  // a failed retrieval keeps nothing
    if (!raise(DISPID_OnRetrieve, {LONG{number}})) return false;

    // The reply is collected as every other: bytes the server sends past the terminator
    // belong to no message and are dropped, a refusing status line ends it at once, and past
    // its cap it fails (the failure path then closes the session).
    const std::size_t limit = session.RetrieveLimit(number);
    // With DELE sent ahead the replies after this one follow on the wire: the reader keeps them.
    const bool ahead = context_.kept && context_.kept->keep() && context_.kept->delete_ahead() && session.pipelining();
    ReplyReader reader = ReplyReader::multi_line(limit);
    PipelinedReply piped(limit);
    std::string& text = ahead ? piped.reply() : reader.reply();
    char command[256] = {};
    std::snprintf(command, sizeof command, "RETR %d\r\n", number);
    bool ok = session.SettleDeleteAhead();
    std::string commands(command);
    if (ok && ahead) commands += session.DeleteAheadCommands(number, context_.kept->ask_ids());
    ok = ok && session.connected() && session.SendRaw(commands);
    if (ok) {
        bool stopped_inside = false, too_large = false;
        auto end = session.ReadChunks([&](std::string_view chunk, std::size_t received) {
            bool complete = false;
            if (ahead) {
                const PipelinedReply::State state = piped.add(chunk);
                too_large = state == PipelinedReply::State::Fail;
                complete = state == PipelinedReply::State::Complete;
            } else {
                const ReplyReader::State state = reader.add(chunk);
                too_large = state == ReplyReader::State::Fail;
                complete = state == ReplyReader::State::Complete;
            }
            if (too_large) return Pop3Session::Chunk::Fail;
            if (!raise(DISPID_OnReceiving, {static_cast<LONG>(received), LONG{number}})) {
                stopped_inside = true;
                return Pop3Session::Chunk::Fail;
            }
            return complete ? Pop3Session::Chunk::Complete : Pop3Session::Chunk::More;
        });
        if (ahead && end == Pop3Session::ReadEnd::Complete) session.PutBack(piped.take_rest());
        if (stopped_inside || stopped()) return false;
        if (too_large) {
            std::string().swap(text);
            session.SetFailure(FailureKind::ReplyTooLarge, "reply too large: message " + std::to_string(number) +
                                                               " passed " + std::to_string(limit) + " bytes");
        }
        ok = end == Pop3Session::ReadEnd::Complete && text.size() >= 3 &&
             strncasecmp(text.c_str(), "+OK", 3) == 0;
        if (end == Pop3Session::ReadEnd::Complete && !ok)
            session.SetFailure(FailureKind::ServerError, "the server answered: " + quote_reply(text));
    }
    if (!ok) return fail(kJobRetrieve);
    if (stopped()) return false;
    text.resize(text.size() >= 5 ? text.size() - 5 : 0);  // the final CR LF "." CR LF
    // One text for the event and for IPOPRAW: a large message is not held twice.
    const SharedText shared = std::make_shared<const std::string>(std::move(text));
    if (context_.kept && context_.kept->keep()) context_.kept->keep_retrieved(number, shared);
    return raise(DISPID_OnRetrieved, {shared, LONG{number}});
}

WorkerControl::WorkerControl(WorkerContext context) : context_(context) {
    context_.session.set_stop_predicate([this] { return abandon_.load(); });
}

WorkerControl::~WorkerControl() { shutdown(); }

void WorkerControl::start(WorkerLogin login) {
    std::unique_ptr<Worker> previous = std::move(current_);
    if (previous) previous->request_stop();
    current_ = std::make_unique<Worker>(context_, std::move(login), std::move(previous), &abandon_);
}

void WorkerControl::terminate() {
    if (current_) current_->request_stop();
    context_.queue.clear();
}

void WorkerControl::shutdown() {
    if (current_) {
        abandon_.store(true);
        current_->request_stop();
        current_.reset();  // joins the whole chain
    }
    context_.queue.clear();
    abandon_.store(false);  // the QUIT below may wait for its reply
    Pop3Session& session = context_.session;
    if (session.connected()) {
        session.set_timeout_ms(kQuitWaitMs);
        session.CloseSession();
    }
}

}  // namespace velmo
