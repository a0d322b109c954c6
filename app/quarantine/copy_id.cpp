#include "copy_id.h"

#include <QRandomGenerator>

namespace halvex {

namespace {
constexpr qsizetype kTimeDigits = 17;  // yyyyMMddhhmmsszzz
constexpr qsizetype kIdDigits = kTimeDigits + 4;
const QString kTimeFormat = QStringLiteral("yyyyMMddhhmmsszzz");
}  // namespace

QString make_copy_id(const QDateTime& when) {
  return when.toUTC().toString(kTimeFormat) +
         QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(10000), 4, 10, QLatin1Char('0'));
}

bool is_copy_id(const QString& id) {
  if (id.size() != kIdDigits) return false;
  for (const QChar c : id)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  return true;
}

QDateTime copy_id_time(const QString& id) {
  if (!is_copy_id(id)) return {};
  const QDateTime t = QDateTime::fromString(id.left(kTimeDigits), kTimeFormat);
  if (!t.isValid()) return {};
  return QDateTime(t.date(), t.time(), Qt::UTC);
}

}  // namespace halvex
