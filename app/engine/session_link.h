// SessionLink: request-and-wait over the asynchronous POPMAIN session. Each request is
// made in three steps: m_reset, the call, and a wait that lets events run (blocking until
// the next one arrives) until the request's own answer is in.
//
// Matching. Every request is answered only by its own result event or by the OnError
// whose number is the request's kind (0 Connect, 6 count, 10 header, 4 size, 9 retrieve,
// 1 delete); header, size, retrieve and delete answers must also carry the requested message number. So the
// OnClosed that follows every OnError, or a late event of an abandoned session, is never
// taken as the answer to a later request. OnClosed answers only Close.
//
// Session liveness. The session is open from OnConnected until OnError or OnClosed. After
// OnError the component ends the session itself and answers nothing more, so Close on a
// session that is not open ends at once, without a request; any other request on it ends
// at once as an error.
//
// Guard. A request that gets no answer within the session's Timeout plus kAnswerMargin
// seconds ends as an error (op_error kNoAnswer); the session is then terminated so that
// nothing of it arrives later. While the component keeps receiving bytes (IPOPSTATUS
// BytesReceived moves) the guard re-arms, so a slow but live reply is not cut; the component's
// own request deadline (kRequestDeadlineFactor times Timeout) ends a trickle, and the guard
// gives up for good after that deadline plus the margin.
//
// Stop. stop_soon() (the start/stop button, the window's close) bounds the wait in progress
// and every later one to kStopGraceMs from the stop: an answer that comes by then is taken as
// usual (so a stop between requests still ends with QUIT), and a request still unanswered then
// is given up (op_error kNoAnswer) and the worker terminated, which ends its network wait in
// the background. A silent server thus never holds a stop or a close; the abandoned worker
// is joined by the next Connect or the release of the object, never by the waiting thread.
#pragma once

#include "header_rules.h"
#include "pop_raw.h"
#include "session_events.h"

#include "frame/ipopmain.h"
#include "frame/ipopmsg.h"
#include "pop3/ipopstatus.h"

#include <QElapsedTimer>
#include <QTimer>

#include <utility>

namespace halvex {

class EngineHost;

enum class Request { None, Connect, TotalOfMails, MsgHeader, MsgSize, Retrieve, Delete, Close };

inline constexpr qint32 kAnswerMargin = 10;  // seconds beyond Timeout
inline constexpr qint32 kNoAnswer = -1;      // op_error of a request nobody answered
inline constexpr qint64 kRequestDeadlineFactor = 5;  // the component's deadline, in Timeouts
inline constexpr qint64 kStopGraceMs = 200;  // every wait after a stop ends within this

class SessionLink final : public SessionEvents {
public:
  SessionLink(EngineHost& host, IPOPMAIN* popmain, IPOPMSG* popmsg);
  ~SessionLink();
  SessionLink(const SessionLink&) = delete;
  SessionLink& operator=(const SessionLink&) = delete;

  // Sets the session's Timeout; every later wait gives up after it plus the margin.
  void set_timeout(qint32 seconds);
  // Allows or forbids pipelined header scans (IPOPOPTIONS), where the object offers the switch.
  void set_pipelining(bool allowed);
  // The margin beyond Timeout, in milliseconds (kAnswerMargin seconds unless a test
  // narrows it); the guard is never shorter than 100 ms.
  void set_answer_margin_ms(qint64 ms) { margin_ms_ = ms; }

  // m_reset, then the call. Nothing is waited for yet.
  void begin_connect(const QString& server, const QString& user, const QString& password);
  void begin(Request request, qint32 msg = 0);
  // Lets events run until the request begun last is answered (or the guard fires).
  void wait();

  // A stop was asked: the wait in progress, if any, and every later one end within
  // kStopGraceMs of this call. Safe from an event handler running inside wait(). Holds until
  // clear_stop(), which the next cycle calls before its first request.
  void stop_soon();
  void clear_stop() { stopping_ = false; }
  bool stopping() const { return stopping_; }

  bool op_done() const { return op_done_; }
  qint32 op_error() const { return op_error_; }
  const QString& op_error_text() const { return op_error_text_; }
  // What the component knows of the last failure (IPOPSTATUS), or why the wait gave up;
  // empty when nothing more is known.
  const QString& op_error_cause() const { return op_error_cause_; }
  qint32 op_value() const { return op_value_; }
  const HeaderFields& header() const { return header_; }
  // The header text of the last header answer, and its Message-ID field.
  const QString& header_text() const { return header_text_; }
  const QString& message_id() const { return message_id_; }
  // The retrieved bytes, unique ids and QUIT outcome of the session (IPOPRAW).
  PopRaw& raw() { return raw_; }
  bool session_open() const { return session_open_; }
  // The POPMAIN object the requests go to.
  IPOPMAIN* popmain() const { return popmain_; }

  // Time spent inside waits so far: wall clock, and this thread's CPU time meanwhile
  // (which includes the event handlers that ran in the waits), the latter only once
  // measure_waits() is called, since it costs two system calls a wait. The waits block, so
  // the CPU time stays near zero however long the server takes.
  struct WaitTotals {
    qint64 waits = 0;
    double wall_seconds = 0;
    double cpu_seconds = 0;
  };
  const WaitTotals& wait_totals() const { return totals_; }
  void measure_waits() { measure_cpu_ = true; }

  // SessionEvents
  void on_connected() override;
  void on_closed() override;
  void on_error(qint32 code, const QString& description) override;
  void on_total_of_mails(qint32 count) override;
  void on_msg_size(qint32 size, qint32 msg) override;
  void on_msg_header(const QString& header, qint32 msg) override;
  void on_deleted(qint32 msg) override;
  void on_retrieved(qint32 msg) override;

private:
  void m_reset();
  bool expecting(Request request) const { return !op_done_ && pending_ == request; }
  bool expecting(Request request, qint32 msg) const { return expecting(request) && pending_msg_ == msg; }
  void answer();
  void load_header(const QString& header);
  QString component_cause() const;
  // What is left of the stop's grace, in milliseconds (0 once it is spent).
  int stop_left_ms() const;

  EngineHost& host_;
  // Bytes the component has received so far (0 without IPOPSTATUS): progress of a request.
  LONG bytes_received() const;

  IPOPMAIN* popmain_;
  IPOPSTATUS* status_ = nullptr;  // held for the link's life
  IPOPMSG* popmsg_;
  qint64 timeout_ms_ = 120 * 1000LL;
  qint64 margin_ms_ = kAnswerMargin * 1000LL;

  Request pending_ = Request::None;
  qint32 pending_msg_ = 0;
  bool session_open_ = false;

  bool op_done_ = true;
  qint32 op_error_ = 0;
  QString op_error_text_;
  QString op_error_cause_;
  qint32 op_value_ = 0;
  HeaderFields header_;
  QString header_text_;
  QString message_id_;
  PopRaw raw_;
  WaitTotals totals_;
  bool measure_cpu_ = false;
  QTimer guard_;  // one single-shot timer for every wait, so no wait registers a new one
  bool expired_ = false;
  bool waiting_ = false;  // inside wait(): an answer interrupts the event dispatcher
  bool stopping_ = false;
  QElapsedTimer stop_clock_;  // since stop_soon()
};

}  // namespace halvex
