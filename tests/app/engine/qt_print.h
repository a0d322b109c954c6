// Readable GoogleTest failure messages for QString and QStringList.
#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* os) {
  *os << "{\n";
  for (const QString& line : list) *os << "  \"" << line.toStdString() << "\"\n";
  *os << "}";
}
QT_END_NAMESPACE
