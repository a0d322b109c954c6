#include "engine_window_host.h"

#include "tray_icon.h"

#include "frm_main.h"
#include "shell_open.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>

namespace halvex {

void EngineWindowHost::status_line_added(const QString& line, bool oldest_dropped) {
  QListWidget* log = window_.status;
  if (oldest_dropped && log->count() > 0) delete log->takeItem(0);
  log->addItem(line);
  log->setCurrentRow(log->count() - 1);
  log->scrollToBottom();
  window_.status_logged(line);
}

void EngineWindowHost::set_account_buttons_enabled(bool enabled) {
  window_.Command2->setEnabled(enabled);
  window_.Command3->setEnabled(enabled);
  window_.Command4->setEnabled(enabled);
}

void EngineWindowHost::set_start_stop(const QString& caption, bool enabled) {
  window_.Command9->setText(caption);
  window_.Command9->setEnabled(enabled);
}

int EngineWindowHost::account_row_count() const { return window_.List1->count(); }

void EngineWindowHost::close_window() { window_.close_after_cycle(); }

void EngineWindowHost::pump_events() { QCoreApplication::processEvents(); }

void EngineWindowHost::wait_for_events() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

bool EngineWindowHost::start_process(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

int EngineWindowHost::open_target(const QString& target) { return shell_open(target); }

void EngineWindowHost::notify(const QString& title, const QString& text) {
  if (window_.TrayX1) window_.TrayX1->notify(title, text, true);
}

}  // namespace halvex
