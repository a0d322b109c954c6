// The header rules: from a message's header fields and size alone, decide whether the
// message is spam. Pure functions over the account record; no logging, no side effects.
//
// Filter mode (gate_mode 0) deletes what contains one of the account's phrases; gate mode
// (gate_mode 1) deletes what the From list does not admit and ignores the other lists.
// The size rule applies in both modes.
#pragma once

#include "accounts/account_record.h"

#include <QString>

#include <optional>

namespace halvex {

// The fields the cycle takes from each delivered header.
struct HeaderFields {
  QString from_address;  // GetFromAddress
  QString from_name;     // GetFrom
  QString to_name;       // GetRecipientName(1)
  QString to_address;    // GetRecipientAddr(1)
  QString subject;       // GetSubject
};

// Which header field a phrase was found in.
enum class MatchField { None, FromAddress, FromName, ToName, ToAddress, Subject };

// The first entry of a list that a field holds, and the field it was found in.
struct PhraseMatch {
  QString phrase;
  MatchField field = MatchField::None;
};

// True when a phrase is empty or holds only blanks. Such a phrase is ignored by every
// rule: it would otherwise be in nearly every text and delete (or, in gate mode, admit)
// whole mailboxes. Account files that hold one still load; it simply never matches.
bool is_blank_phrase(const QString& phrase);

// True when `text` holds `phrase` anywhere, letter case ignored. A blank phrase is in no
// text; an empty text holds no phrase.
bool contains_phrase(const QString& text, const QString& phrase);

// True when the list holds at least one phrase that is not blank.
bool has_usable_phrase(const QStringList& list);

// True when the size rule is on (size_limit_on exactly 1) and size >= size_limit.
bool size_rule(const AccountRecord& record, qint32 message_size);

// Sender rule: filter mode deletes a sender that contains a From phrase; gate mode
// deletes one that contains none. A From list without a usable (non-blank) phrase, or
// another mode value, keeps it.
bool check_from(const AccountRecord& record, const QString& from, const QString& from_name);

// Recipient rule (filter mode only): the first recipient's name or address holds a To phrase.
bool check_to(const AccountRecord& record, const QString& to1, const QString& to2);

// Subject rule (filter mode only): the subject holds a Subject phrase.
bool check_subject(const AccountRecord& record, const QString& subject);

// The entry that decided each rule, walking the list in order; nullopt when none is held.
// They look only at the lists: check_from/check_to/check_subject add the mode.
std::optional<PhraseMatch> find_from_phrase(const AccountRecord& record, const QString& from,
                                            const QString& from_name);
std::optional<PhraseMatch> find_to_phrase(const AccountRecord& record, const QString& to1, const QString& to2);
std::optional<PhraseMatch> find_subject_phrase(const AccountRecord& record, const QString& subject);

}  // namespace halvex
