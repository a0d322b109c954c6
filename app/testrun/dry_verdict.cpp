#include "dry_verdict.h"

#include "engine/alert_trigger.h"
#include "engine/message_verdict.h"
#include "engine/one_line_text.h"

namespace halvex {

namespace {

QString quoted(const QString& text) { return QLatin1Char('"') + one_line_text(text) + QLatin1Char('"'); }

}  // namespace

DryVerdict dry_verdict(const AccountRecord& record, const HeaderFields& fields, qint32 size) {
  // The cycle's own verdict; the alert is only looked up, never started.
  const AlertRule* alert = nullptr;
  const Verdict verdict = decide_message(record, fields, size, [&] {
    alert = find_alert(record, fields);
    return alert && alert_wants_delete(*alert);
  });
  if (verdict.delete_message) {
    const bool by_alert = verdict.reason.kind == RuleKind::Alert;
    return {by_alert ? DryVerdictKind::Alert : DryVerdictKind::Delete, true, reason_text(verdict.reason)};
  }
  if (alert)
    return {DryVerdictKind::Alert, false,
            QStringLiteral("alert phrase ") + quoted(alert->phrase) + QStringLiteral(", the message is kept")};
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
