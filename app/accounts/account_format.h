// The account file's layout: an AccountRecord to and from the quoted-field text.
//
//   line 1      ten reserved string fields " "
//   line 2      description
//   line 3      server, user id, password
//   line 4      gate mode
//   line 5      size-limit flag, size limit
//   line 6      ten reserved fields
//   then        From, Subject and To lists: a count, then per entry three lines
//               (the phrase, " ", " ")
//   then        the alert count, then per alert five lines
//               (phrase, action, target, delete_after, " ")
//   last        ten reserved fields
//
// Reserved fields are written as one blank and skipped whatever they hold on reading.
#pragma once

#include "account_record.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace halvex {

// The file's bytes for the record (UTF-8, CR LF), or nothing when a string of the
// record holds a double quote, which the format cannot store.
std::optional<QByteArray> format_account(const AccountRecord& record);

// The record held by decoded file text, or nothing when the text ends early, a count
// or size limit is not a usable number, or an integer field is not a decimal number.
// Entries are appended as they are read: a count larger than the file is caught when
// the text runs out, never by allocating from the count.
std::optional<AccountRecord> parse_account(const QString& text);

}  // namespace halvex
