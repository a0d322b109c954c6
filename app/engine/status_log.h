// The status log: at most 500 lines, oldest first, each "hh:mm:ss - text" in local time.
// do_status is the one way to write to it; every line also goes to the host.
#pragma once

#include <QStringList>
#include <QTime>

namespace halvex {

class EngineHost;

inline constexpr int kStatusLogLines = 500;

// "hh:mm:ss - text", the time on the 24-hour clock with leading zeros.
QString status_line(const QTime& time, const QString& text);

class StatusLog {
public:
  explicit StatusLog(EngineHost& host) : host_(host) {}

  // Drops the oldest line when 500 are held, appends the new one, shows it and lets
  // pending events run once.
  void do_status(const QString& text);

  const QStringList& lines() const { return lines_; }
  bool empty() const { return lines_.isEmpty(); }

private:
  QTime local_time_of_day();

  EngineHost& host_;
  QStringList lines_;
  long long zone_read_at_ = -60;  // when the time zone was last read, in seconds since 1970
};

}  // namespace halvex
