// The in-memory account: connection data, filter mode, size rule, the three phrase
// lists and the alerts of one POP3 account. Flags are 32-bit integers holding 0 or 1.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace halvex {

// One alert: mail whose From, To or Subject contains `phrase` triggers `action`.
struct AlertRule {
  QString phrase;
  qint32 action = 0;     // 0 = desktop alert window, 1 = execute `target`
  QString target;        // file path or internet address for action 1; may be empty
  QString delete_after;  // "yes" = delete the message after the alert; empty = keep

  friend bool operator==(const AlertRule&, const AlertRule&) = default;
};

inline constexpr qint32 kDefaultSizeLimit = 100000;

struct AccountRecord {
  QString description;  // the account's name, also the stem of its file name
  QString server;
  QString user_id;
  QString password;     // held and stored in clear; the file is private to the user
  qint32 gate_mode = 0;       // 0 = filter mode, 1 = gate mode
  qint32 size_limit_on = 0;   // 1 = delete messages of size_limit bytes or more
  qint32 size_limit = kDefaultSizeLimit;  // never negative
  QStringList from_list;
  QStringList subject_list;
  QStringList to_list;
  QList<AlertRule> alerts;

  friend bool operator==(const AccountRecord&, const AccountRecord&) = default;
};

// Sets every field to a new, empty account's value.
void reset_account(AccountRecord& record);

}  // namespace halvex
