#include "lock_name.h"

#include "replace_string.h"

#include <QCryptographicHash>

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

// Longest file name the file systems here take, in bytes.
constexpr qsizetype max_file_name_bytes = 255;

// A lower-cased name whose file name would be too long for the file system keeps as much of
// its start as fits and gains a digest of the whole name, so the lock can still be written
// and the same sender and subject always find the same lock.
QString fitted_file_name(const QString& lowered) {
  const QString extension = QLatin1String(".lck");
  if ((lowered + extension).toUtf8().size() <= max_file_name_bytes) return lowered + extension;
  const QString digest = QLatin1Char('~') +
      QString::fromLatin1(QCryptographicHash::hash(lowered.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
  const qsizetype room = max_file_name_bytes - (digest + extension).toUtf8().size();
  QString prefix;
  qsizetype bytes = 0;
  for (qsizetype i = 0; i < lowered.size(); ++i) {
    const qsizetype step = lowered[i].isHighSurrogate() && i + 1 < lowered.size() ? 2 : 1;
    const qsizetype size = lowered.mid(i, step).toUtf8().size();
    if (bytes + size > room) break;
    prefix += lowered.mid(i, step);
    bytes += size;
    i += step - 1;
  }
  return prefix + digest + extension;
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
  return path + fitted_file_name(name.toLower());
}

}  // namespace halvex::alert
