// The deletion journal: one record for every message the cycle deleted, in the file
// "deletions.journal" of the application folder (format: journal_format.h), readable by
// its owner only (mode 0600). Records are appended and synced one at a time, or a session's
// records together with one sync. Past
// kJournalRotateBytes the file becomes "deletions.journal.1" (replacing an older one) and
// a new file begins, so the journal never holds much more than twice that.
#pragma once

#include "journal_format.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace halvex {

inline constexpr qint64 kJournalRotateBytes = 1024 * 1024;
inline const QString kJournalFileName = QStringLiteral("deletions.journal");

class DeletionJournal {
public:
  // The journal in `folder` (with or without a trailing "/").
  explicit DeletionJournal(QString folder, qint64 rotate_bytes = kJournalRotateBytes);

  QString path() const;
  QString rotated_path() const;

  // Appends one line; false when it could not be written and synced.
  bool append(const DeletionRecord& record);
  bool append(const ForgetRecord& record);
  // Appends every record in one write and one sync (a session's deletions at its end).
  bool append_all(const QList<DeletionRecord>& records);

  // Every deletion whose copy was not forgotten, newest first (the older file's too).
  QList<DeletionRecord> records() const;
  // The record with this id, when it is there and not forgotten.
  std::optional<DeletionRecord> find(const QString& id) const;

private:
  bool append_line(const QString& line);
  bool append_lines(const QStringList& lines);

  QString folder_;
  qint64 rotate_bytes_;
};

}  // namespace halvex
