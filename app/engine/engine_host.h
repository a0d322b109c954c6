// EngineHost: everything the filter engine needs from the window that hosts it. The main
// window implements it with its widgets; the headless run (--once) with standard output.
// The engine never touches a widget itself, so it runs the same in both.
#pragma once

#include <QString>
#include <QStringList>

namespace halvex {

class EngineHost {
public:
  virtual ~EngineHost() = default;

  // The status log gained `line` as its last line (already "hh:mm:ss - text"); when
  // `oldest_dropped` the first line went first. The host shows the newest line.
  virtual void status_line_added(const QString& line, bool oldest_dropped) = 0;

  // buttons(x): enables or disables New, Edit and Remove.
  virtual void set_account_buttons_enabled(bool enabled) = 0;

  // The start/stop button Command9: its caption and whether it can be pressed.
  virtual void set_start_stop(const QString& caption, bool enabled) = 0;

  // Rows of the account list List1.
  virtual int account_row_count() const = 0;

  // Closes the main window; called once a deferred close may go through.
  virtual void close_window() = 0;

  // Lets pending events run once.
  virtual void pump_events() = 0;
  // Blocks until at least one event has arrived and run it (never a busy loop).
  virtual void wait_for_events() = 0;

  // Starts `program` detached with exactly these arguments, no shell; false when it
  // could not be started.
  virtual bool start_process(const QString& program, const QStringList& arguments) = 0;

  // Asks the desktop to open `target` with its default action; a result below 32 is a
  // failure (33 on success, 0 on failure).
  virtual int open_target(const QString& target) = 0;

  // A desktop notification that needs the user (a sign-in to renew); the status log
  // carries the same cause, so a host without notifications may ignore it.
  virtual void notify(const QString& title, const QString& text) {
    (void)title;
    (void)text;
  }
};

}  // namespace halvex
