#include "deleted_command.h"

#include "one_line_text.h"

#include "quarantine/quarantine.h"
#include "quarantine/restore_copy.h"

#include "accounts/app_folder.h"
#include "accounts/settings.h"

#include <QCoreApplication>

#include <cstdio>

namespace halvex {

namespace {

const QString kDeleted = QStringLiteral("--deleted");
const QString kRestore = QStringLiteral("--restore");

void put_line(FILE* out, const QString& line) {
  const QByteArray bytes = line.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), out);
  std::fputc('\n', out);
}

void complain(FILE* err, const QString& text) { put_line(err, QStringLiteral("halvex: ") + text); }

QString reason_of(const DeletionRecord& r) {
  QString text = r.reason;
  if (r.copy != kCopyFull) text += QStringLiteral(" (") + r.copy + QLatin1Char(')');
  return text;
}

}  // namespace

int print_deleted(const QString& folder, FILE* out) {
  const DeletionJournal journal(folder);
  for (const DeletionRecord& r : journal.records()) {
    const QStringList fields{r.id,
                             r.time.toString(Qt::ISODate),
                             one_line_text(r.account, 1000),
                             one_line_text(r.sender, 1000),
                             one_line_text(r.subject, 1000),
                             QString::number(r.size),
                             one_line_text(reason_of(r), 1000)};
    put_line(out, fields.join(QLatin1Char('\t')));
  }
  std::fflush(out);
  return kDeletedOk;
}

int restore_deleted(const QString& folder, const QString& id, const QString& path, FILE* out, FILE* err) {
  Quarantine quarantine(load_quarantine_settings(), folder);
  const std::optional<DeletionRecord> record = quarantine.journal().find(id);
  if (!record) {
    complain(err, QStringLiteral("no deleted message with the id ") + one_line_text(id) +
                      QStringLiteral(" (see halvex --deleted)"));
    return kDeletedFailed;
  }
  if (!record->has_copy() || !quarantine.store().exists(record->account, id)) {
    complain(err, QStringLiteral("no copy of message ") + id + QStringLiteral(" was kept"));
    return kDeletedFailed;
  }
  const RestoreResult result =
      restore_copy(quarantine.store().file_path(record->account, id), path, restore_file_name(id));
  if (!result.error.isEmpty()) {
    complain(err, result.error);
    return kDeletedFailed;
  }
  put_line(out, result.path);
  std::fflush(out);
  return kDeletedOk;
}

int deleted_main(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  const bool deleted = args.contains(kDeleted);
  const bool restore = args.contains(kRestore);
  if (!deleted && !restore) return -1;
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Halvex"));
  const bool well_formed = deleted ? args.size() == 1 : args.size() == 3 && args.at(0) == kRestore;
  if (!well_formed) {
    complain(stderr, QStringLiteral("wrong arguments; use: halvex --deleted, or halvex --restore ID PATH"));
    return kDeletedFailed;
  }
  const QString folder = resolve_app_folder();
  if (folder.isEmpty()) {
    complain(stderr, QStringLiteral("cannot create the application folder"));
    return kDeletedFailed;
  }
  if (deleted) return print_deleted(folder, stdout);
  return restore_deleted(folder, args.at(1), args.at(2), stdout, stderr);
}

}  // namespace halvex
