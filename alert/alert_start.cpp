#include "alert_start.h"

#include "alert_texts.h"
#include "lock_file.h"
#include "lock_name.h"

#include <QDir>

namespace halvex::alert {
namespace {

AlertStart corrupt() {
  const QString text = QString::fromLatin1(texts::corrupt_command_line);
  return {StartOutcome::corrupt, {text, text, text}, {}, {}};
}

}  // namespace

AlertStart start_alert(const QString& argument_text, const QString& folder) {
  const std::optional<AlertFields> fields = split_argument_text(argument_text);
  if (!fields || folder.isEmpty()) return corrupt();
  const QString path = lock_path(folder, lock_name(fields->sender, fields->subject));
  if (!QDir().mkpath(folder)) return corrupt();
  LockAttempt attempt = take_lock(path);
  if (attempt.outcome == LockOutcome::held_elsewhere) return {StartOutcome::silent_end, *fields, {}, {}};
  if (attempt.outcome != LockOutcome::taken) return corrupt();
  return {StartOutcome::show, *fields, path, std::move(attempt.hold)};
}

}  // namespace halvex::alert
