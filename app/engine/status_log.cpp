#include "status_log.h"

#include "engine_host.h"

#include <algorithm>
#include <ctime>

namespace halvex {

QString status_line(const QTime& time, const QString& text) {
  if (!time.isValid()) return QStringLiteral(" - ") + text;
  return QString::asprintf("%02d:%02d:%02d - ", time.hour(), time.minute(), time.second()) + text;
}

// QTime::currentTime() reads the zone file again on every call; the log reads it again at
// most once a minute, so a new zone still shows within a minute.
QTime StatusLog::local_time_of_day() {
  const std::time_t now = std::time(nullptr);
  if (now - zone_read_at_ >= 60 || now < zone_read_at_) {
    tzset();
    zone_read_at_ = now;
  }
  std::tm parts{};
  if (!localtime_r(&now, &parts)) return QTime::currentTime();
  return QTime(parts.tm_hour, parts.tm_min, std::min(parts.tm_sec, 59));  // 60: a leap second
}

void StatusLog::do_status(const QString& text) {
  const bool drop = lines_.size() >= kStatusLogLines;
  if (drop) lines_.removeFirst();
  lines_.append(status_line(local_time_of_day(), text));
  host_.status_line_added(lines_.constLast(), drop);
  host_.pump_events();
}

}  // namespace halvex
