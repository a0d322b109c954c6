// The filter engine's state: the program-wide switch and tick counter, and the state of
// the window that the cycle uses (its flags, cursor and the message in hand). Handlers
// that run nested inside the cycle's waits talk to it only through these flags.
#pragma once

#include <QString>

namespace halvex {

struct FilterState {
  // Program-wide.
  qint32 filtering_on = 0;  // toggled by the start/stop command
  qint32 tick_count = 0;    // ticks since the last cycle began

  // The window's.
  qint32 busy = 0;                // a cycle runs
  qint32 stop_requested = 0;      // stop after the current request
  qint32 shutdown_requested = 0;  // the window was closed while a cycle ran
  qint32 mark_delete = 0;
  qint32 account_cursor = 0;      // 1-based entry of account_names() visited last
  qint32 account_step = 0;
  QString current_account;
  qint32 message_total = 0;
  qint32 message_number = 0;
  qint32 message_size = 0;

  // Failures of the cycle that ran last (load, login, count, header, size, delete,
  // logout); counted for the headless run's exit status.
  qint32 cycle_failures = 0;
};

}  // namespace halvex
