#include "status_log.h"

#include "engine_host.h"

namespace halvex {

QString status_line(const QTime& time, const QString& text) {
  return time.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral(" - ") + text;
}

void StatusLog::do_status(const QString& text) {
  const bool drop = lines_.size() >= kStatusLogLines;
  if (drop) lines_.removeFirst();
  lines_.append(status_line(QTime::currentTime(), text));
  host_.status_line_added(lines_.constLast(), drop);
  host_.pump_events();
}

}  // namespace halvex
