// The verdict of a test run on one message: what the account's rules would do to it,
// and the rule that decided, without doing anything. The filter cycle's own verdict and
// reason (engine/message_verdict.h); an alert is only looked up, never started, and one
// that keeps its message is named too.
#pragma once

#include "accounts/account_record.h"
#include "engine/header_rules.h"

#include <QString>

namespace halvex {

enum class DryVerdictKind { Keep, Delete, Alert };

struct DryVerdict {
  DryVerdictKind kind = DryVerdictKind::Keep;
  bool deletes = false;  // Delete, or an alert that asks for deletion
  QString rule;          // the deciding rule in words; "no rule matched" for Keep
};

DryVerdict dry_verdict(const AccountRecord& record, const HeaderFields& fields, qint32 size);

// "keep", "delete", "alert", or "alert, delete" for an alert that deletes.
QString verdict_word(const DryVerdict& verdict);

// "N of M messages would be deleted.", and in plain words when that is every message.
QString run_summary(qint32 deleted, qint32 total);

}  // namespace halvex
