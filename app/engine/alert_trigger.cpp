#include "alert_trigger.h"

#include "engine_host.h"
#include "engine_texts.h"
#include "status_log.h"

#include <QFileInfo>

namespace halvex {

namespace {

constexpr int kAlertActionWindow = 0;
constexpr int kAlertActionOpen = 1;
constexpr int kShellFailureBelow = 32;

bool start_alert_program(EngineHost& host, const QString& program, const QString& argument) {
  const QFileInfo info(program);
  if (!info.isFile() || !info.isExecutable()) return false;
  return host.start_process(program, {argument});
}

// A marker inside the sender or the account would split the text early and shift every field
// after it: its "<" becomes U+2039 "‹", which reads alike and splits nothing. The subject comes
// last, and the alert program splits only at the first of each marker, so it stays as it is.
QString without_markers(QString field) {
  static const QString left_angle(QChar(0x2039));
  for (const QLatin1StringView marker : {QLatin1StringView("<--->"), QLatin1StringView("<///>")})
    field.replace(marker, left_angle + marker.sliced(1));
  return field;
}

}  // namespace

QString alert_argument(const QString& from, const QString& description, const QString& subject) {
  return without_markers(from) + QStringLiteral("<--->") + without_markers(description) +
         QStringLiteral("<///>") + subject;
}

QString alert_program(const QString& program_folder) {
  QString folder = program_folder;
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder + QLatin1String(kAlertProgramName);
}

const AlertRule* find_alert(const AccountRecord& record, const HeaderFields& fields) {
  for (const AlertRule& alert : record.alerts) {
    const QString& p = alert.phrase;
    if (contains_phrase(fields.from_address, p) || contains_phrase(fields.from_name, p) ||
        contains_phrase(fields.subject, p) || contains_phrase(fields.to_name, p) ||
        contains_phrase(fields.to_address, p))
      return &alert;
  }
  return nullptr;
}

bool alert_wants_delete(const AlertRule& alert) {
  return alert.delete_after.toUpper() == QLatin1String("YES");
}

bool check_alert(const AccountRecord& record, const HeaderFields& fields, AlertContext& context) {
  const AlertRule* alert = find_alert(record, fields);
  if (!alert) return false;
  context.log.do_status(texts::alert_line(fields.from_address, record.description, fields.subject));
  if (!context.dry_run) {
    if (alert->action == kAlertActionWindow) {
      const QString argument = alert_argument(fields.from_address, record.description, fields.subject);
      if (!start_alert_program(context.host, alert_program(context.program_folder), argument))
        context.log.do_status(texts::kAlertError);
    } else if (alert->action == kAlertActionOpen) {
      if (context.host.open_target(alert->target) < kShellFailureBelow)
        context.log.do_status(texts::kAlertTargetError);
    }
  }
  return alert_wants_delete(*alert);
}

}  // namespace halvex
