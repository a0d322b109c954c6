// WorkerRig: the asynchronous half of a POPMAIN object, put together the way the object holds
// it (session, job queue, connection point, worker control), for tests of the worker itself.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "frame/connection_point.h"
#include "pop3/job_queue.h"
#include "pop3/kept_message.h"
#include "pop3/pop3_session.h"
#include "pop3/worker.h"

namespace asynctest {

class WorkerRig final : public IConnectionPointContainer {
public:
    WorkerRig() : events_(this), control_(std::make_unique<velmo::WorkerControl>(
                                     velmo::WorkerContext{session_, queue_, events_, nullptr, &kept_})) {}
    ~WorkerRig() { release(); }

    // The client's calls.
    void connect(const std::string& host, std::uint16_t port, const std::string& user,
                 const std::string& password) {
        control_->start({host, user, password, port});
    }
    void job(std::int32_t kind, std::int32_t argument = 0) { queue_.push(kind, argument); }
    void terminate() { control_->terminate(); }
    bool connected() const { return session_.connected(); }
    velmo::FailureCause cause() const { return session_.last_failure(); }
    void set_timeout_seconds(std::uint32_t s) { session_.set_timeout_ms(s * 1000); }
    // The release of the last reference: returns how long it took.
    std::chrono::milliseconds release() {
        auto start = std::chrono::steady_clock::now();
        if (control_) control_->shutdown();
        control_.reset();
        events_.clear();
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }
    std::size_t queued_jobs() const { return queue_.size(); }
    // What IPOPRAW would set and read; the session, for its protocol log.
    velmo::KeptMessage& kept() { return kept_; }
    velmo::Pop3Session& session() { return session_; }

    HRESULT advise(IUnknown* sink, DWORD* cookie) { return events_.Advise(sink, cookie); }

    // IConnectionPointContainer, enough for the connection point's back reference.
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IConnectionPointContainer) return E_NOINTERFACE;
        *ppv = static_cast<IConnectionPointContainer*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }

private:
    std::atomic<ULONG> refs_{1};
    velmo::Pop3Session session_;
    velmo::KeptMessage kept_;
    velmo::JobQueue queue_;
    velmo::EventConnectionPoint events_;
    std::unique_ptr<velmo::WorkerControl> control_;
};

}  // namespace asynctest
