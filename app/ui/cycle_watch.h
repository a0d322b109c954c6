// CycleWatch: follows the filter cycle through the lines of its status log and keeps
// what the tray shows of it: when the last cycle ended, what failed in it, how many
// messages were deleted today, and which accounts fail now.
//
// An account fails when a load, login, count, header, size, delete or logout failure is
// logged while it is the account in hand; account_failed() is announced once for that
// failure and not again while the same failure lasts (the same kind of failure with the
// same cause). The account works again when a later visit reaches the message count,
// logs no failure and is not cut short by a stop; account_recovered() is announced once.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

namespace halvex {

class CycleWatch : public QObject {
  Q_OBJECT

 public:
  // `cause_of`: the failed request's own error text, asked when a session failure is
  // logged (the session's answer; empty when it has none).
  explicit CycleWatch(std::function<QString()> cause_of, QObject* parent = nullptr);

  // A status line's text (without its time), logged at `when`.
  void line_logged(const QString& text, const QDateTime& when);

  // The end of the last finished cycle; invalid before the first.
  const QDateTime& last_cycle_end() const { return last_end_; }
  // The failure lines of the last finished cycle, each with its cause.
  const QStringList& last_cycle_errors() const { return last_errors_; }
  // Messages marked for deletion (and not failed) on `day`.
  int deleted_on(const QDate& day) const { return day == deleted_day_ ? deleted_ : 0; }
  // True while some account fails.
  bool failing() const { return !failures_.isEmpty(); }
  // The failing accounts and their failure lines.
  const QHash<QString, QString>& failures() const { return failures_; }

 signals:
  void account_failed(const QString& account, const QString& failure);
  void account_recovered(const QString& account);
  void changed();

 private:
  void finish_visit();
  void failed(const QString& text, bool has_cause);
  void count_deleted(int delta, const QDate& day);

  std::function<QString()> cause_of_;
  QDateTime last_end_;
  QStringList last_errors_;
  QStringList errors_;  // of the cycle under way
  QDate deleted_day_;
  int deleted_ = 0;
  QHash<QString, QString> failures_;  // account -> its failure line with cause

  // The account in hand.
  QString account_;
  bool visiting_ = false;
  bool counted_ = false;  // the message count was reached
  bool visit_failed_ = false;
  bool stopped_ = false;
};

// "line (cause)", or the line alone without a cause.
QString failure_text(const QString& line, const QString& cause);

}  // namespace halvex
