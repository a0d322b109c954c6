// "Stop deleting mail like this": the change to an account that keeps the next message of
// this kind on the server, worked out from a deletion record and applied to the account file.
#pragma once

#include "quarantine/journal_format.h"

#include "accounts/account_record.h"

#include <QString>

#include <optional>

namespace halvex {

struct RuleChange {
  enum class Kind { RemovePhrase, RemoveAlert, AdmitSender } kind = Kind::RemovePhrase;
  QString account;
  QString list;    // From, To, Subject, Alerts
  QString phrase;  // the entry to remove, or the sender to admit
};

// The change for a record; nullopt when no list entry decided (the size rule) or the record
// names no usable entry (a gate record without a sender).
std::optional<RuleChange> rule_change_for(const DeletionRecord& record);

// The confirmation text that names the change.
QString rule_change_question(const RuleChange& change);

// Applies the change to a record in memory; false when there was nothing to change.
bool apply_rule_change(const RuleChange& change, AccountRecord& account);

// Loads the account from `folder`, applies the change and saves it; an error text, or
// empty on success.
QString apply_rule_change_to_file(const RuleChange& change, const QString& folder);

}  // namespace halvex
