// RecordingHost: the engine's host as a test sees it. It keeps what a window would show
// (the log lines without their time, the button states, the caption) and starts real
// processes; events are pumped on the real Qt loop.
#pragma once

#include "engine/engine_host.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>

#include <functional>

namespace halvex::test {

class RecordingHost : public EngineHost {
public:
  void status_line_added(const QString& line, bool oldest_dropped) override {
    texts.append(line.mid(11));  // "hh:mm:ss - " is 11 characters
    if (oldest_dropped) ++dropped;
    if (on_line) on_line(line.mid(11));
  }
  void set_account_buttons_enabled(bool enabled) override { buttons_enabled = enabled; }
  void set_start_stop(const QString& c, bool enabled) override {
    caption = c;
    start_stop_enabled = enabled;
  }
  int account_row_count() const override { return rows; }
  void close_window() override { ++closes; }
  void pump_events() override { QCoreApplication::processEvents(); }
  void wait_for_events() override {
    ++waits;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  bool start_process(const QString& program, const QStringList& arguments) override {
    started.append(program);
    started_arguments.append(arguments);
    return QProcess::startDetached(program, arguments);
  }
  int open_target(const QString& target) override {
    opened.append(target);
    return open_result;
  }

  QStringList texts;
  int dropped = 0;
  bool buttons_enabled = false;
  QString caption;
  bool start_stop_enabled = true;
  int rows = 0;
  int closes = 0;
  int waits = 0;
  QStringList started;
  QList<QStringList> started_arguments;
  QStringList opened;
  int open_result = 33;
  std::function<void(const QString&)> on_line;  // runs inside do_status, like a click would
};

}  // namespace halvex::test
