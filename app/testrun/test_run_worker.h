// TestRunWorker: the test run's session, living on the run's own thread. It drives its
// POPMAIN object asynchronously, one request at a time, moving on from each event:
// Connect -> OnConnected -> GetTotalOfMails -> for k = 1..n: GetMsgHeader(k) ->
// GetMsgSize(k) -> judge -> Close -> OnClosed. OnError ends the run with its cause; a
// request that gets no answer within Timeout plus a margin ends it too. Never Delete,
// never Retrieve. Everything it creates is created and released on its thread.
#pragma once

#include "test_run.h"

#include "engine/header_rules.h"
#include "oauth/access_tokens.h"
#include "engine/session_events.h"

#include "frame/com_ptr.h"
#include "frame/ipopmain.h"
#include "frame/ipopmsg.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace halvex {

class EventSubscription;
class QtApartmentPump;

class TestRunWorker final : public QObject, public SessionEvents {
  Q_OBJECT

 public:
  // `sign_in`: the account's OAuth2 token, handed to the session as the filter cycle hands it
  // (OAuthLogin::hand_over); without a grant, the password signs in.
  TestRunWorker(AccountRecord account, qint32 timeout_seconds, oauth::TokenOutcome sign_in = {});
  ~TestRunWorker() override;

  // Both run on the worker's thread (queued from the thread that owns the TestRun).
  void start();
  void cancel();

 signals:
  void counted(qint32 total);
  void judged(const halvex::TestRunRow& row);
  void finished(qint32 deleted, qint32 total);
  void failed(const QString& cause);
  void cancelled();
  void ended();  // everything released; the thread may quit

  // SessionEvents
 public:
  void on_connected() override;
  void on_closed() override;
  void on_error(qint32 code, const QString& description) override;
  void on_total_of_mails(qint32 count) override;
  void on_msg_size(qint32 size, qint32 msg) override;
  void on_msg_header(const QString& header, qint32 msg) override;
  void on_deleted(qint32 msg) override;

 private:
  enum class Stage { Idle, Connecting, Counting, Header, Size, Closing, Over };

  void request_header();
  void load_header(const QString& header);
  void arm_guard();
  // Ends the run: releases the session (QUIT, nothing deleted), then reports.
  void end(std::function<void()> report);
  QString cause_of(const QString& description) const;

  AccountRecord account_;
  qint32 timeout_seconds_;
  oauth::TokenOutcome sign_in_;
  std::unique_ptr<QtApartmentPump> pump_;
  velmo::ComPtr<IPOPMAIN> popmain_;
  velmo::ComPtr<IPOPMSG> popmsg_;
  std::unique_ptr<EventSubscription> subscription_;
  QTimer guard_;

  Stage stage_ = Stage::Idle;
  qint32 total_ = 0;
  qint32 current_ = 0;
  qint32 deleted_ = 0;
  HeaderFields header_;
};

}  // namespace halvex
