#include "test_run_worker.h"

#include "engine/bstr_text.h"
#include "engine/oauth_login.h"
#include "engine/popmain_sink.h"
#include "engine/qt_apartment_pump.h"

#include "frame/exports.h"
#include "pop3/ipopstatus.h"

#include <algorithm>
#include <climits>

namespace halvex {

namespace {

constexpr qint64 kAnswerMarginMs = 10 * 1000;  // beyond the session's own Timeout

}  // namespace

TestRunWorker::TestRunWorker(AccountRecord account, qint32 timeout_seconds, oauth::TokenOutcome sign_in)
    : account_(std::move(account)),
      timeout_seconds_(std::max(timeout_seconds, 1)),
      sign_in_(std::move(sign_in)),
      guard_(this) {
  // guard_ is a child, so it moves to the run's thread with the worker and its timer runs
  // there.
  guard_.setSingleShot(true);
  connect(&guard_, &QTimer::timeout, this, [this] {
    end([this, s = timeout_seconds_] {
      emit failed(QStringLiteral("The server did not answer within %1 seconds.").arg(s));
    });
  });
}

TestRunWorker::~TestRunWorker() = default;

void TestRunWorker::start() {
  pump_ = std::make_unique<QtApartmentPump>();  // before subscribing: events come here
  if (FAILED(VelmoCreateInstance(u"Velmo.POPMAIN", IPOPMAIN::iid, popmain_.put_void())) ||
      FAILED(VelmoCreateInstance(u"Velmo.POPMSG", IPOPMSG::iid, popmsg_.put_void()))) {
    end([this] { emit failed(QStringLiteral("The mail component could not be started.")); });
    return;
  }
  popmain_->put_Asynchronous(1);
  popmain_->put_Timeout(timeout_seconds_);
  subscription_ = std::make_unique<EventSubscription>(popmain_.get(), this);
  if (!subscription_->connected()) {
    end([this] { emit failed(QStringLiteral("The mail component's events could not be received.")); });
    return;
  }
  QString cause;
  if (OAuthLogin::hand_over(popmain_.get(), sign_in_, account_.description, cause) == OAuthLogin::Result::Failed) {
    end([this, cause] { emit failed(cause); });
    return;
  }
  stage_ = Stage::Connecting;
  arm_guard();
  LONG ignored = 0;
  popmain_->Connect(BstrArg(account_.server), BstrArg(account_.user_id), BstrArg(account_.password),
                    &ignored);
}

void TestRunWorker::cancel() {
  if (stage_ == Stage::Over) return;
  end([this] { emit cancelled(); });
}

void TestRunWorker::arm_guard() {
  guard_.start(static_cast<int>(std::min<qint64>(qint64{timeout_seconds_} * 1000 + kAnswerMarginMs, INT_MAX)));
}

void TestRunWorker::end(std::function<void()> report) {
  stage_ = Stage::Over;
  guard_.stop();
  // Released from the event loop, not from inside a handler of the object's own event.
  QMetaObject::invokeMethod(
      this,
      [this, report = std::move(report)] {
        subscription_.reset();
        popmain_.reset();  // a standing session ends with QUIT; no DELE was ever sent
        popmsg_.reset();
        pump_.reset();
        report();
        emit ended();
      },
      Qt::QueuedConnection);
}

QString TestRunWorker::cause_of(const QString& event_text) const {
  // The component's own account of the failure when it has one ("the server answered:
  // -ERR ...", "connection refused ...", "no answer within 30 s"), else the event's text.
  QString description = event_text;
  velmo::ComPtr<IPOPSTATUS> status;
  if (popmain_ && SUCCEEDED(popmain_->QueryInterface(IPOPSTATUS::iid, status.put_void()))) {
    const QString failure = bstr_result([&](BSTR* out) { status->get_LastFailure(out); });
    if (!failure.isEmpty()) description = failure;
  }
  switch (stage_) {
    case Stage::Connecting: return QStringLiteral("Login failed: ") + description;
    case Stage::Counting: return QStringLiteral("Counting the messages failed: ") + description;
    case Stage::Header:
      return QStringLiteral("Reading the header of message %1 failed: ").arg(current_) + description;
    case Stage::Size:
      return QStringLiteral("Reading the size of message %1 failed: ").arg(current_) + description;
    default: return description;
  }
}

void TestRunWorker::request_header() {
  ++current_;
  if (current_ > total_) {
    stage_ = Stage::Closing;
    arm_guard();
    popmain_->Close();
    return;
  }
  stage_ = Stage::Header;
  arm_guard();
  BSTR ignored = nullptr;
  popmain_->GetMsgHeader(current_, &ignored);
  SysFreeString(ignored);
}

void TestRunWorker::load_header(const QString& header) {
  popmsg_->put_RawContent(BstrArg(header));
  header_.from_name = bstr_result([this](BSTR* out) { popmsg_->GetFrom(out); });
  header_.from_address = bstr_result([this](BSTR* out) { popmsg_->GetFromAddress(out); });
  header_.to_name = bstr_result([this](BSTR* out) { popmsg_->GetRecipientName(1, out); });
  header_.to_address = bstr_result([this](BSTR* out) { popmsg_->GetRecipientAddr(1, out); });
  header_.subject = bstr_result([this](BSTR* out) { popmsg_->GetSubject(out); });
}

void TestRunWorker::on_connected() {
  if (stage_ != Stage::Connecting) return;
  stage_ = Stage::Counting;
  arm_guard();
  LONG ignored = 0;
  popmain_->GetTotalOfMails(&ignored);
}

void TestRunWorker::on_total_of_mails(qint32 count) {
  if (stage_ != Stage::Counting) return;
  total_ = std::max(count, 0);
  emit counted(total_);
  current_ = 0;
  request_header();
}

void TestRunWorker::on_msg_header(const QString& header, qint32 msg) {
  if (stage_ != Stage::Header || msg != current_) return;
  load_header(header);
  stage_ = Stage::Size;
  arm_guard();
  LONG ignored = 0;
  popmain_->GetMsgSize(current_, &ignored);
}

void TestRunWorker::on_msg_size(qint32 size, qint32 msg) {
  if (stage_ != Stage::Size || msg != current_) return;
  TestRunRow row;
  row.number = current_;
  row.sender = sender_text(header_);
  row.subject = header_.subject;
  row.size = size;
  row.verdict = dry_verdict(account_, header_, size);
  if (row.verdict.deletes) ++deleted_;
  emit judged(row);
  request_header();
}

void TestRunWorker::on_closed() {
  if (stage_ == Stage::Closing) {
    end([this, deleted = deleted_, total = total_] { emit finished(deleted, total); });
  } else if (stage_ != Stage::Over && stage_ != Stage::Idle) {
    end([this, cause = cause_of(QStringLiteral("the server closed the connection."))] {
      emit failed(cause);
    });
  }
}

void TestRunWorker::on_error(qint32, const QString& description) {
  if (stage_ == Stage::Over || stage_ == Stage::Idle) return;
  end([this, cause = cause_of(description)] { emit failed(cause); });
}

void TestRunWorker::on_deleted(qint32) {}  // never asked for

}  // namespace halvex
