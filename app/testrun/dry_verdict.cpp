#include "dry_verdict.h"

#include "engine/alert_trigger.h"

namespace halvex {

namespace {

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

// The first entry of `list` that one of the texts holds.
QString first_held(const QStringList& list, const QString& a, const QString& b = {}) {
  for (const QString& phrase : list)
    if (contains_phrase(a, phrase) || contains_phrase(b, phrase)) return phrase;
  return {};
}

DryVerdict deleted_by(QString rule) { return {DryVerdictKind::Delete, true, std::move(rule)}; }

}  // namespace

DryVerdict dry_verdict(const AccountRecord& record, const HeaderFields& fields, qint32 size) {
  if (size_rule(record, size))
    return deleted_by(QStringLiteral("size %1 bytes, limit %2").arg(size).arg(record.size_limit));
  if (check_from(record, fields.from_address, fields.from_name)) {
    if (record.gate_mode == 1) return deleted_by(QStringLiteral("gate: sender not on the From list"));
    return deleted_by(QStringLiteral("From phrase ") +
                      quoted(first_held(record.from_list, fields.from_address, fields.from_name)));
  }
  if (check_to(record, fields.to_name, fields.to_address))
    return deleted_by(QStringLiteral("To phrase ") +
                      quoted(first_held(record.to_list, fields.to_name, fields.to_address)));
  if (check_subject(record, fields.subject))
    return deleted_by(QStringLiteral("Subject phrase ") +
                      quoted(first_held(record.subject_list, fields.subject)));
  if (const AlertRule* alert = find_alert(record, fields)) {
    const bool deletes = alert_wants_delete(*alert);
    return {DryVerdictKind::Alert, deletes,
            QStringLiteral("Alert phrase ") + quoted(alert->phrase) +
                (deletes ? QStringLiteral(", then deleted") : QString())};
  }
  return {DryVerdictKind::Keep, false, QStringLiteral("no rule matched")};
}

QString verdict_word(const DryVerdict& verdict) {
  switch (verdict.kind) {
    case DryVerdictKind::Keep: return QStringLiteral("keep");
    case DryVerdictKind::Delete: return QStringLiteral("delete");
    case DryVerdictKind::Alert:
      return verdict.deletes ? QStringLiteral("alert, delete") : QStringLiteral("alert");
  }
  return {};
}

QString run_summary(qint32 deleted, qint32 total) {
  QString text = QStringLiteral("%1 of %2 messages would be deleted.").arg(deleted).arg(total);
  if (total > 0 && deleted == total)
    text += QStringLiteral(" These rules would delete every message now waiting on the server.");
  return text;
}

}  // namespace halvex
