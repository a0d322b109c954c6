// EngineWindowHost: the main window as the filter engine's host. Status lines go to the
// window's log list, the button states to its buttons, the account count is its account
// list's; a deferred close goes back to the window.
#pragma once

#include "engine/engine_host.h"

namespace halvex {

class frm_main;

class EngineWindowHost final : public EngineHost {
public:
  explicit EngineWindowHost(frm_main& window) : window_(window) {}

  void status_line_added(const QString& line, bool oldest_dropped) override;
  void set_account_buttons_enabled(bool enabled) override;
  void set_start_stop(const QString& caption, bool enabled) override;
  int account_row_count() const override;
  void close_window() override;
  void pump_events() override;
  void wait_for_events() override;
  bool start_process(const QString& program, const QStringList& arguments) override;
  int open_target(const QString& target) override;
  void notify(const QString& title, const QString& text) override;  // a tray balloon

private:
  frm_main& window_;
};

}  // namespace halvex
