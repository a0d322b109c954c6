// OnceHost: the engine's host for a run without any window (halvex --once). Status lines
// go to standard output as they are logged (to a terminal at once, to a file or pipe within
// a fifth of a second, and all of them by the time the host is gone); there are no buttons
// to set; events are pumped on the Qt core event loop.
#pragma once

#include "engine_host.h"

#include <QByteArray>
#include <QTimer>

namespace halvex {

class OnceHost final : public EngineHost {
public:
  OnceHost();
  ~OnceHost() override;
  OnceHost(const OnceHost&) = delete;
  OnceHost& operator=(const OnceHost&) = delete;

  void status_line_added(const QString& line, bool oldest_dropped) override;
  void set_account_buttons_enabled(bool) override {}
  void set_start_stop(const QString&, bool) override {}
  int account_row_count() const override;
  void close_window() override {}
  void pump_events() override;
  void wait_for_events() override;
  bool start_process(const QString& program, const QStringList& arguments) override;
  // An executable file is started with no arguments; anything else is handed to the
  // desktop's opener (xdg-open) as one argument. No shell either way.
  int open_target(const QString& target) override;

  // Writes the status lines not yet written.
  void flush();

private:
  static constexpr qsizetype kBatchBytes = 32 * 1024;

  bool interactive_;    // standard output is a terminal: every line is written as it comes
  QByteArray pending_;  // otherwise whole lines wait here for the timer or a full batch
  QTimer flush_timer_;
};

}  // namespace halvex
