#include "message_verdict.h"

#include "alert_trigger.h"
#include "one_line_text.h"

namespace halvex {

namespace {

QString quoted(const QString& text) { return QLatin1Char('"') + one_line_text(text) + QLatin1Char('"'); }

}  // namespace

Verdict decide_message(const AccountRecord& record, const HeaderFields& fields, qint32 message_size,
                       const std::function<bool()>& alert) {
  Verdict v;
  if (size_rule(record, message_size)) {
    v.delete_message = true;
    v.reason = VerdictReason{RuleKind::Size, {}, MatchField::None, message_size, record.size_limit};
  }
  // check_from has no side effect; it is asked whatever the size rule said.
  if (check_from(record, fields.from_address, fields.from_name) && !v.delete_message) {
    v.delete_message = true;
    if (record.gate_mode == 1) {
      v.reason.kind = RuleKind::Gate;
    } else {
      const auto match = find_from_phrase(record, fields.from_address, fields.from_name);
      v.reason = VerdictReason{RuleKind::FromPhrase, match->phrase, match->field, 0, 0};
    }
  }
  if (v.delete_message) return v;
  if (check_to(record, fields.to_name, fields.to_address)) {
    const auto match = find_to_phrase(record, fields.to_name, fields.to_address);
    return Verdict{true, VerdictReason{RuleKind::ToPhrase, match->phrase, match->field, 0, 0}};
  }
  if (check_subject(record, fields.subject)) {
    const auto match = find_subject_phrase(record, fields.subject);
    return Verdict{true, VerdictReason{RuleKind::SubjectPhrase, match->phrase, match->field, 0, 0}};
  }
  if (alert && alert()) {
    // find_alert is pure: it names the alert check_alert just took.
    const AlertRule* rule = find_alert(record, fields);
    return Verdict{true, VerdictReason{RuleKind::Alert, rule ? rule->phrase : QString(), MatchField::None, 0, 0}};
  }
  return v;
}

bool judge_message(const AccountRecord& record, const HeaderFields& fields, qint32 message_size,
                   const std::function<bool()>& alert) {
  return decide_message(record, fields, message_size, alert).delete_message;
}

QString rule_list_name(RuleKind kind) {
  switch (kind) {
    case RuleKind::FromPhrase:
    case RuleKind::Gate: return QStringLiteral("From");
    case RuleKind::ToPhrase: return QStringLiteral("To");
    case RuleKind::SubjectPhrase: return QStringLiteral("Subject");
    case RuleKind::Alert: return QStringLiteral("Alerts");
    case RuleKind::Size:
    case RuleKind::None: break;
  }
  return {};
}

namespace {
struct FieldName {
  MatchField field;
  const char* name;
};
constexpr FieldName kFieldNames[] = {
    {MatchField::FromAddress, "sender address"}, {MatchField::FromName, "sender name"},
    {MatchField::ToName, "recipient name"},      {MatchField::ToAddress, "recipient address"},
    {MatchField::Subject, "subject"},
};
struct KindKey {
  RuleKind kind;
  const char* key;
};
constexpr KindKey kKindKeys[] = {
    {RuleKind::Size, "size"},       {RuleKind::FromPhrase, "from"}, {RuleKind::ToPhrase, "to"},
    {RuleKind::SubjectPhrase, "subject"}, {RuleKind::Gate, "gate"}, {RuleKind::Alert, "alert"},
};
}  // namespace

QString field_name(MatchField field) {
  for (const FieldName& f : kFieldNames)
    if (f.field == field) return QLatin1String(f.name);
  return {};
}

MatchField match_field_from_name(const QString& name) {
  for (const FieldName& f : kFieldNames)
    if (name == QLatin1String(f.name)) return f.field;
  return MatchField::None;
}

QString rule_kind_key(RuleKind kind) {
  for (const KindKey& k : kKindKeys)
    if (k.kind == kind) return QLatin1String(k.key);
  return QStringLiteral("none");
}

RuleKind rule_kind_from_key(const QString& key) {
  for (const KindKey& k : kKindKeys)
    if (key == QLatin1String(k.key)) return k.kind;
  return RuleKind::None;
}

QString reason_text(const VerdictReason& r) {
  switch (r.kind) {
    case RuleKind::Size:
      return QStringLiteral("size rule, %1 bytes at or above the limit of %2").arg(r.size).arg(r.limit);
    case RuleKind::FromPhrase:
    case RuleKind::ToPhrase:
    case RuleKind::SubjectPhrase:
      return rule_list_name(r.kind) + QStringLiteral(" phrase ") + quoted(r.phrase) +
             QStringLiteral(" found in the ") + field_name(r.field);
    case RuleKind::Gate:
      return QStringLiteral("gate mode, the sender is not on the From list");
    case RuleKind::Alert:
      return QStringLiteral("alert phrase ") + quoted(r.phrase) + QStringLiteral(" asks for deletion");
    case RuleKind::None: break;
  }
  return QStringLiteral("no rule");
}

QString reason_line(const HeaderFields& fields, const VerdictReason& reason) {
  const QString& sender = fields.from_address.isEmpty() ? fields.from_name : fields.from_address;
  return QStringLiteral("Reason: sender ") + quoted(sender) + QStringLiteral(", subject ") +
         quoted(fields.subject) + QStringLiteral(": ") + reason_text(reason) + QLatin1Char('.');
}

}  // namespace halvex
