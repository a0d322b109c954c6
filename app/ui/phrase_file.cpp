#include "phrase_file.h"

#include "remembered_folder.h"
#include "accounts/text_codec.h"

#include <QFile>
#include <QSaveFile>

namespace halvex {

namespace {

// Far beyond any phrase list; a bigger file is refused rather than read into memory.
constexpr qint64 kMaxListFileSize = 64 * 1024 * 1024;

}  // namespace

QStringList split_phrase_lines(const QString& text) {
  QStringList lines;
  qsizetype start = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
  qsizetype i = start;
  while (i < text.size()) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') {
      ++i;
      continue;
    }
    lines.append(text.mid(start, i - start));
    i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
    start = i;
  }
  if (start < text.size()) lines.append(text.mid(start));
  return lines;
}

std::optional<QStringList> read_phrase_file(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxListFileSize) return std::nullopt;
  const QByteArray bytes = file.read(kMaxListFileSize + 1);
  if (file.error() != QFileDevice::NoError || bytes.size() > kMaxListFileSize)
    return std::nullopt;
  return split_phrase_lines(decode_text(bytes));
}

bool write_phrase_file(const QString& path, const QStringList& entries) {
  QByteArray bytes;
  for (const QString& entry : entries) {
    bytes += encode_text(entry);
    bytes += "\r\n";
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

QString export_file_name(const QString& folder, const QString& description,
                         const QString& choice) {
  QString ending;
  if (choice == u"1") ending = QStringLiteral("_From_List.txt");
  else if (choice == u"2") ending = QStringLiteral("_Subject_List.txt");
  else if (choice == u"3") ending = QStringLiteral("_To_List.txt");
  else return {};
  return with_trailing_slash(folder) + description + ending;
}

}  // namespace halvex
