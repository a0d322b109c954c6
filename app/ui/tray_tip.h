// The tray icon's tip: the window's own line "Halvex - Click for settings." first, then
// the state of filtering: on or off, the time of the last cycle and of the next, the
// messages deleted today, and the last cycle's error when it had one.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace halvex {

inline const QString kTrayTip = QStringLiteral("Halvex - Click for settings.");

struct TrayTipFacts {
  bool filtering_on = false;
  bool cycle_running = false;
  QDateTime last_cycle;   // invalid: none yet
  QDateTime next_cycle;   // invalid: none planned
  int deleted_today = 0;
  QStringList last_errors;  // of the last finished cycle
};

QString tray_tip_text(const TrayTipFacts& facts);

}  // namespace halvex
