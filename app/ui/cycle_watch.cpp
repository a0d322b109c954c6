#include "cycle_watch.h"

#include "engine/engine_texts.h"

#include <utility>

namespace halvex {

namespace {

const QString kMarkedSuffix = QStringLiteral(" marked for deletion.");
const QString kMessagePrefix = QStringLiteral("Message ");
const QString kDeleteErrorPrefix = QStringLiteral("Error deleting message ");
const QString kTotalPrefix = QStringLiteral("Total emails in account '");

// Failure lines that follow a request of the session, which then knows the cause.
bool session_failure(const QString& text) {
  for (const QString* prefix : {&texts::kLoginError, &texts::kCountError, &texts::kHeaderError,
                                &texts::kSizeError, &texts::kDisconnectError})
    if (text.startsWith(*prefix)) return true;
  return text.startsWith(kDeleteErrorPrefix);
}

}  // namespace

QString failure_text(const QString& line, const QString& cause) {
  return cause.trimmed().isEmpty() ? line : line + QStringLiteral(" (") + cause.trimmed() + u')';
}

CycleWatch::CycleWatch(std::function<QString()> cause_of, QObject* parent)
    : QObject(parent), cause_of_(std::move(cause_of)) {}

void CycleWatch::line_logged(const QString& text, const QDateTime& when) {
  if (text.startsWith(texts::kLoading)) {
    finish_visit();
    account_ = text.mid(texts::kLoading.size());
    visiting_ = true;
  } else if (text == texts::kExitCycle) {
    finish_visit();
    last_end_ = when;
    last_errors_ = std::exchange(errors_, {});
  } else if (text == texts::kStoppedByUser || text == texts::kShutdownByUser) {
    stopped_ = true;
  } else if (text.startsWith(kTotalPrefix)) {
    counted_ = true;
  } else if (text.startsWith(kMessagePrefix) && text.endsWith(kMarkedSuffix)) {
    count_deleted(1, when.date());
  } else if (text.startsWith(texts::kLoadError)) {
    failed(text, false);
  } else if (session_failure(text)) {
    if (text.startsWith(kDeleteErrorPrefix)) count_deleted(-1, when.date());
    failed(text, true);
  } else {
    return;
  }
  emit changed();
}

void CycleWatch::count_deleted(int delta, const QDate& day) {
  if (day != deleted_day_) {
    deleted_day_ = day;
    deleted_ = 0;
  }
  deleted_ = qMax(0, deleted_ + delta);
}

void CycleWatch::failed(const QString& text, bool has_cause) {
  const QString failure = failure_text(text, has_cause && cause_of_ ? cause_of_() : QString());
  errors_.append(failure);
  if (!visiting_) return;
  visit_failed_ = true;
  // The same failure again is no news; a new or different one is.
  if (failures_.value(account_) == failure) return;
  failures_.insert(account_, failure);
  emit account_failed(account_, failure);
}

void CycleWatch::finish_visit() {
  if (visiting_ && counted_ && !visit_failed_ && !stopped_ && failures_.remove(account_) > 0)
    emit account_recovered(account_);
  visiting_ = false;
  counted_ = false;
  visit_failed_ = false;
  stopped_ = false;
  account_.clear();
}

}  // namespace halvex
