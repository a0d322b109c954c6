#include "test_run.h"

#include "test_run_worker.h"

#include <QThread>

namespace halvex {

QString sender_text(const HeaderFields& fields) {
  if (fields.from_name.isEmpty() || fields.from_name == fields.from_address) return fields.from_address;
  if (fields.from_address.isEmpty()) return fields.from_name;
  return fields.from_name + QStringLiteral(" <") + fields.from_address + QLatin1Char('>');
}

TestRun::TestRun(QObject* parent) : QObject(parent) {
  static const int registered = qRegisterMetaType<halvex::TestRunRow>();
  Q_UNUSED(registered);
}

TestRun::~TestRun() { stop_thread(); }

void TestRun::start(const AccountRecord& account, qint32 timeout_seconds, const QString& folder,
                    const QString& name) {
  stop_thread();
  const quint64 run = ++run_;
  tokens_.reset();
  if (name.isEmpty()) {
    launch(account, timeout_seconds, {}, run);  // no grant: the password
    return;
  }
  tokens_ = std::make_unique<oauth::AccessTokens>();
  connect(tokens_.get(), &oauth::AccessTokens::finished, this, [this, account, timeout_seconds, run] {
    if (run == run_) launch(account, timeout_seconds, tokens_->outcome(), run);  // else cancelled or replaced
  }, Qt::QueuedConnection);  // never inside begin() below, nor inside the token client's reply
  tokens_->begin(folder, name);
}

void TestRun::launch(const AccountRecord& account, qint32 timeout_seconds, const oauth::TokenOutcome& sign_in,
                     quint64 run) {
  thread_ = new QThread;
  thread_->setObjectName(QStringLiteral("test run"));
  worker_ = new TestRunWorker(account, timeout_seconds, sign_in);
  worker_->moveToThread(thread_);
  connect(thread_, &QThread::started, worker_, &TestRunWorker::start);
  // Reports of an earlier run that arrive late are dropped: only this run's go out.
  connect(worker_, &TestRunWorker::counted, this, [this, run](qint32 total) {
    if (run == run_) emit counted(total);
  });
  connect(worker_, &TestRunWorker::judged, this, [this, run](const TestRunRow& row) {
    if (run == run_) emit judged(row);
  });
  connect(worker_, &TestRunWorker::finished, this, [this, run](qint32 deleted, qint32 total) {
    if (run == run_) emit finished(deleted, total);
  });
  connect(worker_, &TestRunWorker::failed, this, [this, run](const QString& cause) {
    if (run == run_) emit failed(cause);
  });
  connect(worker_, &TestRunWorker::cancelled, this, [this, run] {
    if (run == run_) emit cancelled();
  });
  // The worker has released everything on its thread; its loop may end, and the thread
  // is joined once the reports queued before have been delivered.
  connect(worker_, &TestRunWorker::ended, thread_, &QThread::quit, Qt::DirectConnection);
  connect(worker_, &TestRunWorker::ended, this, [this, run] {
    if (run == run_) stop_thread();
  });
  thread_->start();
}

void TestRun::cancel() {
  if (worker_) {
    QMetaObject::invokeMethod(worker_, &TestRunWorker::cancel, Qt::QueuedConnection);
  } else if (tokens_ && !tokens_->done()) {
    ++run_;  // the token, when it comes, starts nothing
    tokens_.reset();
    emit cancelled();
  }
}

void TestRun::stop_thread() {
  if (!thread_) return;
  cancel();  // nothing happens when the run is over already
  thread_->wait();
  // The thread is gone: nothing of the worker runs any more, and queued reports to this
  // object are still delivered.
  delete worker_;
  delete thread_;
  worker_ = nullptr;
  thread_ = nullptr;
}

}  // namespace halvex
