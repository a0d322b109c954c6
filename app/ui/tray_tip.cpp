#include "tray_tip.h"

namespace halvex {

namespace {

// Time of day; the date too when it is not today.
QString when(const QDateTime& t) {
  if (t.date() == QDate::currentDate()) return t.toString(QStringLiteral("HH:mm"));
  return t.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

}  // namespace

QString tray_tip_text(const TrayTipFacts& facts) {
  QStringList lines{kTrayTip};
  lines << (facts.filtering_on ? QStringLiteral("Email filtering: on") : QStringLiteral("Email filtering: off"));
  lines << QStringLiteral("Last cycle: ") +
               (facts.last_cycle.isValid() ? when(facts.last_cycle) : QStringLiteral("none yet"));
  if (facts.cycle_running)
    lines << QStringLiteral("Next cycle: running now");
  else if (facts.filtering_on && facts.next_cycle.isValid())
    lines << QStringLiteral("Next cycle: ") + when(facts.next_cycle);
  lines << QStringLiteral("Deleted today: %1").arg(facts.deleted_today);
  if (!facts.last_errors.isEmpty()) {
    QString error = QStringLiteral("Last error: ") + facts.last_errors.last();
    if (facts.last_errors.size() > 1)
      error += QStringLiteral(" (and %1 more)").arg(facts.last_errors.size() - 1);
    lines << error;
  }
  return lines.join(u'\n');
}

}  // namespace halvex
