#include "restore_copy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace halvex {

namespace {

QString free_name_in(const QDir& folder, const QString& file_name) {
  const QFileInfo info(file_name);
  const QString base = info.completeBaseName();
  const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
  QString candidate = folder.filePath(file_name);
  for (int n = 2; QFileInfo::exists(candidate) && n < 10000; ++n)
    candidate = folder.filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
  return candidate;
}

}  // namespace

QString restore_file_name(const QString& id) { return id + QStringLiteral(".eml"); }

RestoreResult restore_copy(const QString& source, const QString& target, const QString& file_name) {
  QFile in(source);
  if (!in.open(QIODevice::ReadOnly)) return {{}, QStringLiteral("the kept copy cannot be read: ") + source};
  if (target.isEmpty()) return {{}, QStringLiteral("no path given")};
  const QFileInfo target_info(target);
  const QString path = target_info.isDir() ? free_name_in(QDir(target), file_name) : target;

  QSaveFile out(path);
  if (!out.open(QIODevice::WriteOnly)) return {{}, QStringLiteral("cannot write ") + path + QStringLiteral(": ") + out.errorString()};
  QByteArray chunk;
  while (!(chunk = in.read(1 << 20)).isEmpty()) {
    if (out.write(chunk) != chunk.size()) {
      out.cancelWriting();
      break;
    }
  }
  if (in.error() != QFile::NoError) {
    out.cancelWriting();
    return {{}, QStringLiteral("the kept copy cannot be read: ") + source};
  }
  if (!out.commit()) return {{}, QStringLiteral("cannot write ") + path + QStringLiteral(": ") + out.errorString()};
  return {QFileInfo(path).absoluteFilePath(), {}};
}

}  // namespace halvex
