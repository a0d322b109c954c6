#include "session_link.h"

#include "bstr_text.h"
#include "engine_host.h"

#include "frame/com_ptr.h"
#include "pop3/ipopoptions.h"
#include "pop3/ipopstatus.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>

#include <time.h>

#include <algorithm>
#include <climits>

namespace halvex {

namespace {

// The OnError number that answers each request: the kind of the worker's job.
constexpr qint32 kNoErrorCode = INT_MIN;
qint32 error_code_of(Request request) {
  switch (request) {
    case Request::Connect: return 0;
    case Request::Delete: return 1;
    case Request::MsgSize: return 4;
    case Request::TotalOfMails: return 6;
    case Request::MsgHeader: return 10;
    case Request::Retrieve: return 9;
    default: return kNoErrorCode;  // Close cannot fail
  }
}

double thread_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

SessionLink::SessionLink(EngineHost& host, IPOPMAIN* popmain, IPOPMSG* popmsg)
    : host_(host), popmain_(popmain), popmsg_(popmsg), raw_(popmain) {
  if (popmain_ && FAILED(popmain_->QueryInterface(IPOPSTATUS::iid, reinterpret_cast<void**>(&status_))))
    status_ = nullptr;
  guard_.setSingleShot(true);
  QObject::connect(&guard_, &QTimer::timeout, &guard_, [this] { expired_ = true; });
}

SessionLink::~SessionLink() {
  if (status_) status_->Release();
}

LONG SessionLink::bytes_received() const {
  LONG bytes = 0;
  if (status_) status_->get_BytesReceived(&bytes);
  return bytes;
}

void SessionLink::set_timeout(qint32 seconds) {
  popmain_->put_Timeout(seconds);
  timeout_ms_ = static_cast<qint64>(std::max(seconds, 0)) * 1000;
}

void SessionLink::set_pipelining(bool allowed) {
  IPOPOPTIONS* options = nullptr;
  if (popmain_->QueryInterface(IID_IPOPOPTIONS, reinterpret_cast<void**>(&options)) != S_OK || !options) return;
  options->put_Pipelining(allowed ? 1 : 0);
  options->Release();
}

void SessionLink::m_reset() {
  op_done_ = false;
  op_error_ = 0;
  op_error_cause_.clear();
}

QString SessionLink::component_cause() const {
  velmo::ComPtr<IPOPSTATUS> status;
  if (FAILED(popmain_->QueryInterface(IPOPSTATUS::iid, status.put_void()))) return {};
  return bstr_result([&](BSTR* out) { status->get_LastFailure(out); });
}

void SessionLink::begin_connect(const QString& server, const QString& user, const QString& password) {
  m_reset();
  pending_ = Request::Connect;
  pending_msg_ = 0;
  session_open_ = false;  // a new worker replaces whatever ran before
  LONG ignored = 0;
  popmain_->Connect(BstrArg(server), BstrArg(user), BstrArg(password), &ignored);
}

void SessionLink::begin(Request request, qint32 msg) {
  m_reset();
  pending_ = request;
  pending_msg_ = msg;
  if (!session_open_) {
    // An ended session answers nothing: Close has nothing left to do, the rest fail.
    if (request != Request::Close) {
      op_error_ = kNoAnswer;
      op_error_cause_ = component_cause();
      if (op_error_cause_.isEmpty()) op_error_cause_ = QStringLiteral("the session had already ended");
    }
    answer();
    return;
  }
  LONG lval = 0;
  BSTR text = nullptr;
  switch (request) {
    case Request::TotalOfMails: popmain_->GetTotalOfMails(&lval); break;
    case Request::MsgHeader: popmain_->GetMsgHeader(msg, &text); break;
    case Request::MsgSize: popmain_->GetMsgSize(msg, &lval); break;
    case Request::Retrieve: popmain_->Retrieve(msg, &text); break;
    case Request::Delete: popmain_->Delete(msg, &lval); break;
    case Request::Close: popmain_->Close(); break;
    case Request::Connect:
    case Request::None: break;
  }
  SysFreeString(text);  // asynchronous calls write nothing; free defensively
}

void SessionLink::wait() {
  if (!op_done_) {
    QElapsedTimer wall;
    wall.start();
    const double cpu_before = measure_cpu_ ? thread_cpu_seconds() : 0;
    expired_ = false;
    const qint64 guard_ms = std::clamp<qint64>(timeout_ms_ + margin_ms_, 100, INT_MAX);
    guard_.start(stopping_ ? stop_left_ms() : static_cast<int>(guard_ms));
    // Past the component's own deadline the guard no longer re-arms.
    const qint64 overall_ms = timeout_ms_ * kRequestDeadlineFactor + margin_ms_;
    LONG seen = bytes_received();
    waiting_ = true;
    for (;;) {
      while (!op_done_ && !expired_) host_.wait_for_events();
      if (op_done_ || stopping_) break;  // a stop's grace is never re-armed
      const LONG now = bytes_received();
      if (now == seen || wall.elapsed() >= overall_ms) break;
      seen = now;  // the reply is still arriving: wait on
      expired_ = false;
      guard_.start(static_cast<int>(guard_ms));
    }
    waiting_ = false;
    guard_.stop();
    ++totals_.waits;
    totals_.wall_seconds += static_cast<double>(wall.nsecsElapsed()) / 1e9;
    if (measure_cpu_) totals_.cpu_seconds += thread_cpu_seconds() - cpu_before;
    if (!op_done_) {
      // Nobody answered: stop the worker so that nothing of this session comes later.
      popmain_->Terminate();
      session_open_ = false;
      op_error_ = kNoAnswer;
      op_error_cause_ = stopping_ ? QStringLiteral("stopped before the server answered")
                                  : QStringLiteral("no answer within %1 s").arg(guard_ms / 1000);
      answer();
    }
  }
  pending_ = Request::None;
}

int SessionLink::stop_left_ms() const {
  return static_cast<int>(std::clamp<qint64>(kStopGraceMs - stop_clock_.elapsed(), 0, kStopGraceMs));
}

void SessionLink::stop_soon() {
  if (!stopping_) {
    stopping_ = true;
    stop_clock_.start();
  }
  // The wait running below this handler now ends by the stop's grace at the latest.
  if (waiting_ && !op_done_) guard_.start(stop_left_ms());
}

void SessionLink::answer() {
  op_done_ = true;
  // Ends the wait this answer came in. Waiting for more events returns after the events it
  // ran only with some dispatchers: Qt's plain Unix one (QT_NO_GLIB, or a Qt built without
  // GLib) runs the posted events it finds and then blocks until the next one, which would
  // hold every request until the guard timer fires. The GLib one returns by itself, and an
  // interrupt would cost it a wake-up of its own on the next wait.
  if (!waiting_) return;
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (dispatcher && !dispatcher->inherits("QEventDispatcherGlib")) dispatcher->interrupt();
}

void SessionLink::on_connected() {
  if (!expecting(Request::Connect)) return;
  session_open_ = true;
  answer();
}

void SessionLink::on_closed() {
  session_open_ = false;
  if (expecting(Request::Close)) answer();
}

void SessionLink::on_error(qint32 code, const QString& description) {
  if (op_done_ || code != error_code_of(pending_)) return;  // not this request's
  session_open_ = false;
  // Error code 0 must count as an error too.
  op_error_ = code + 1;
  op_error_text_ = description;
  op_error_cause_ = component_cause();  // filled by the worker before it raised OnError
  answer();
}

void SessionLink::on_total_of_mails(qint32 count) {
  if (!expecting(Request::TotalOfMails)) return;
  op_value_ = count;
  answer();
}

void SessionLink::on_msg_size(qint32 size, qint32 msg) {
  if (!expecting(Request::MsgSize, msg)) return;
  op_value_ = size;
  answer();
}

void SessionLink::on_msg_header(const QString& header, qint32 msg) {
  if (!expecting(Request::MsgHeader, msg)) return;
  load_header(header);
  answer();
}

void SessionLink::on_deleted(qint32 msg) {
  if (expecting(Request::Delete, msg)) answer();
}

void SessionLink::on_retrieved(qint32 msg) {
  if (expecting(Request::Retrieve, msg)) answer();
}

void SessionLink::load_header(const QString& header) {
  header_text_ = header;
  popmsg_->put_RawContent(BstrArg(header));
  header_.from_name = bstr_result([this](BSTR* out) { popmsg_->GetFrom(out); });
  header_.from_address = bstr_result([this](BSTR* out) { popmsg_->GetFromAddress(out); });
  header_.to_name = bstr_result([this](BSTR* out) { popmsg_->GetRecipientName(1, out); });
  header_.to_address = bstr_result([this](BSTR* out) { popmsg_->GetRecipientAddr(1, out); });
  header_.subject = bstr_result([this](BSTR* out) { popmsg_->GetSubject(out); });
  message_id_ = bstr_result([this](BSTR* out) { popmsg_->GetHeaderItem(BstrArg(QStringLiteral("Message-ID")), out); });
}

}  // namespace halvex
