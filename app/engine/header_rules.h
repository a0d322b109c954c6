// The header rules: from a message's header fields and size alone, decide whether the
// message is spam. Pure functions over the account record; no logging, no side effects.
//
// Filter mode (gate_mode 0) deletes what contains one of the account's phrases; gate mode
// (gate_mode 1) deletes what the From list does not admit and ignores the other lists.
// The size rule applies in both modes.
#pragma once

#include "accounts/account_record.h"

#include <QString>

namespace halvex {

// The fields the cycle takes from each delivered header.
struct HeaderFields {
  QString from_address;  // GetFromAddress
  QString from_name;     // GetFrom
  QString to_name;       // GetRecipientName(1)
  QString to_address;    // GetRecipientAddr(1)
  QString subject;       // GetSubject
};

// True when `text` holds `phrase` anywhere, letter case ignored. An empty phrase is in
// every non-empty text; an empty text holds no phrase, not even an empty one.
bool contains_phrase(const QString& text, const QString& phrase);

// True when the size rule is on (size_limit_on exactly 1) and size >= size_limit.
bool size_rule(const AccountRecord& record, qint32 message_size);

// Sender rule: filter mode deletes a sender that contains a From phrase; gate mode
// deletes one that contains none. An empty From list, or another mode value, keeps it.
bool check_from(const AccountRecord& record, const QString& from, const QString& from_name);

// Recipient rule (filter mode only): the first recipient's name or address holds a To phrase.
bool check_to(const AccountRecord& record, const QString& to1, const QString& to2);

// Subject rule (filter mode only): the subject holds a Subject phrase.
bool check_subject(const AccountRecord& record, const QString& subject);

}  // namespace halvex
