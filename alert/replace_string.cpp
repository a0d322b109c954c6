#include "replace_string.h"

namespace halvex::alert {

QString replace_string(const QString& source, const QString& searchfor, const QString& replacewith) {
  if (searchfor.isEmpty()) return source;
  QString result = source;
  qsizetype position = 0;
  while ((position = result.indexOf(searchfor, position)) >= 0) {
    result.replace(position, searchfor.size(), replacewith);
    position += replacewith.size();
  }
  return result;
}

}  // namespace halvex::alert
