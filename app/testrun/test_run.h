// TestRun: the account's rules over the mail now waiting on its server, as a dry run.
//
// It logs in with its own POPMAIN object on a thread of its own, counts the messages and,
// for each, asks for the header (TOP n 0) and the size, and judges it (dry_verdict.h).
// Nothing is deleted or retrieved, no alert is started and nothing touches the filter
// cycle's session or record. Then QUIT. The window that started it stays responsive: all
// results come back as queued signals on the thread that called start().
//
// Signals, in order: counted(total) once logged in; judged(row) for each message;
// then exactly one of finished(deleted, total), failed(cause) or cancelled(). A run
// whose TestRun is destroyed early is cancelled and waited for (at most a few seconds).
#pragma once

#include "dry_verdict.h"

#include "accounts/account_record.h"
#include "oauth/access_tokens.h"

#include <QObject>
#include <QString>

#include <memory>

class QThread;

namespace halvex {

struct TestRunRow {
  qint32 number = 0;
  QString sender;   // "Name <address>", or the address alone
  QString subject;
  qint32 size = 0;
  DryVerdict verdict;
};

class TestRunWorker;

class TestRun : public QObject {
  Q_OBJECT

 public:
  explicit TestRun(QObject* parent = nullptr);
  ~TestRun() override;

  // Starts a run over `account` (copied); the session gives up after `timeout_seconds`
  // of silence. A run already going is cancelled first. An account saved as `name` in
  // `folder` with an OAuth2 sign-in gets a fresh access token first, as the filter cycle's
  // login does; a grant that gives none fails the run with its cause.
  void start(const AccountRecord& account, qint32 timeout_seconds, const QString& folder = {},
             const QString& name = {});
  // Ends the run at once: the session is closed without anything deleted.
  void cancel();
  bool running() const { return worker_ != nullptr || (tokens_ && !tokens_->done()); }

 signals:
  void counted(qint32 total);
  void judged(const halvex::TestRunRow& row);
  void finished(qint32 deleted, qint32 total);
  void failed(const QString& cause);
  void cancelled();

 private:
  void stop_thread();
  void launch(const AccountRecord& account, qint32 timeout_seconds, const oauth::TokenOutcome& sign_in,
              quint64 run);

  QThread* thread_ = nullptr;
  TestRunWorker* worker_ = nullptr;
  quint64 run_ = 0;  // the number of the run started last
  std::unique_ptr<oauth::AccessTokens> tokens_;  // the sign-in of the run started last
};

// The sender as a test run shows it.
QString sender_text(const HeaderFields& fields);

}  // namespace halvex
