// The account dialog's guards against a slip that would delete mail or lose typing:
// the texts of its questions and refusals, and when each applies. No widgets here.
#pragma once

#include "accounts/account_record.h"

#include <QString>
#include <optional>

namespace halvex {

// The question before saving with the size rule on, or empty when none is needed: the
// text was not a size (it would save 0) or the limit is below 1 KB. Both say "Every
// message of N bytes or more will be deleted."
QString size_limit_question(const QString& typed, std::optional<qint32> bytes);

// The question when the user chooses Gate; `senders` is the number of usable (non-blank)
// phrases on the From list.
QString gate_question(int senders);

// The refusal of a gate-mode account whose From list has no usable phrase.
QString gate_without_senders();

// True when saving `record` in gate mode would delete every message.
bool gate_deletes_everything(const AccountRecord& record);

// Saving under the name of another account that exists.
QString replace_question(const QString& name);

// After a rename was saved: remove the file under the old name?
QString remove_old_question(const QString& old_name, const QString& new_name);

QString discard_question();

// A password with a double quote: the account file has no way to hold it.
QString password_quote_refusal();

}  // namespace halvex
