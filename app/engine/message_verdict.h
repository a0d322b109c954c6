// The verdict on one message: the rules in their fixed order. The size rule first, then
// check_from whatever the size rule gave, then check_to, check_subject and the alert,
// each only while nothing earlier marked the message. So a marked message never raises
// an alert.
//
// Every verdict that deletes carries its reason: the rule that decided first, and for a
// phrase rule the list, the entry and the field it was found in. The status log shows it
// on the line after the deletion line; the deletion journal and the dry run keep it.
#pragma once

#include "header_rules.h"

#include "accounts/account_record.h"

#include <functional>

namespace halvex {

enum class RuleKind {
  None,           // nothing marked the message
  Size,           // size rule: size >= limit
  FromPhrase,     // filter mode, a From entry in the sender
  ToPhrase,       // filter mode, a To entry in the first recipient
  SubjectPhrase,  // filter mode, a Subject entry in the subject
  Gate,           // gate mode, the sender holds no From entry
  Alert,          // an alert whose delete_after asks for deletion
};

struct VerdictReason {
  RuleKind kind = RuleKind::None;
  QString phrase;                        // the deciding entry (phrase rules and alerts)
  MatchField field = MatchField::None;   // where it was found (phrase rules)
  qint32 size = 0;                       // size rule: the message's size
  qint32 limit = 0;                      // size rule: the account's limit
};

struct Verdict {
  bool delete_message = false;
  VerdictReason reason;
};

// The verdict with its reason. `alert` is check_alert bound to its context; it runs only
// for a message that no other rule marked.
Verdict decide_message(const AccountRecord& record, const HeaderFields& fields, qint32 message_size,
                       const std::function<bool()>& alert);

// True when the message is to be deleted (decide_message without the reason).
bool judge_message(const AccountRecord& record, const HeaderFields& fields, qint32 message_size,
                   const std::function<bool()>& alert);

// The list a rule kind reads: "From", "To", "Subject", "Alerts"; empty for size and none.
QString rule_list_name(RuleKind kind);
// "sender address", "sender name", "recipient name", "recipient address", "subject".
QString field_name(MatchField field);
// A stable one-word name for files and scripts: "size", "from", "to", "subject", "gate",
// "alert", "none"; rule_kind_from_key reads it back (None for anything else).
QString rule_kind_key(RuleKind kind);
RuleKind rule_kind_from_key(const QString& key);
MatchField match_field_from_name(const QString& name);

// The rule in words, e.g. 'Subject phrase "pills" found in the subject'. Mail text in it
// is shown on one line with control characters escaped (one_line_text.h).
QString reason_text(const VerdictReason& reason);

// The status line after a deletion line: 'Reason: sender "S", subject "T": <reason_text>.'
QString reason_line(const HeaderFields& fields, const VerdictReason& reason);

}  // namespace halvex
