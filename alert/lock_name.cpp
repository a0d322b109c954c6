#include "lock_name.h"

#include "replace_string.h"

#include <iterator>
#include <string_view>

namespace halvex::alert {
namespace {

// Characters that never reach a lock name, in the order in which they are replaced.
constexpr char16_t replaced_characters[] = u"!@#$%^&*()<>?,:;[]{}|\\/=+-.\"";
static_assert(std::size(replaced_characters) == 28 + 1);

// Removes leading and trailing blanks (spaces only, like the rest of the text).
QString trim_blanks(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
  while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
  return text.mid(begin, end - begin);
}

}  // namespace

QString lock_name(const QString& sender, const QString& subject) {
  QString name = trim_blanks(sender) + QLatin1Char('_') + trim_blanks(subject);
  const QString underscore(QLatin1Char('_'));
  for (const char16_t c : std::u16string_view(replaced_characters)) {
    name = replace_string(name, QString(QChar(c)), underscore);
  }
  return name;
}

QString lock_path(const QString& folder, const QString& name) {
  QString path = folder;
  if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
  return path + name.toLower() + QLatin1String(".lck");
}

}  // namespace halvex::alert
