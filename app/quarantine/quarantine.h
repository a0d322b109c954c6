// Quarantine: what the filter cycle needs to keep and explain its deletions. The
// settings in force, the store of copies and the deletion journal, together.
//
//   start of a cycle   purge_expired(): copies older than the retention time go, and the
//                      journal notes each ("F ... retention");
//   before Delete(k)   keep(): the whole message, or its header when over the size cap;
//                      Delete is asked only when it returned an id;
//   after OnDeleted    hold(): the journal line, written by settle() once the session has
//                      ended, for a POP3 server removes what DELE marked only at QUIT; with
//                      quarantine off, records are still written, with the copy "not kept".
//   session ended      settle(): the held lines; when the server did not answer the QUIT
//                      with "+OK" each reason ends with kUnconfirmedNote, since the message
//                      may still be on the server (its copy is kept all the same).
#pragma once

#include "deletion_journal.h"
#include "quarantine_store.h"

#include "accounts/settings.h"

namespace halvex {

class Quarantine {
public:
  Quarantine(QuarantineSettings settings, const QString& journal_folder);

  const QuarantineSettings& settings() const { return settings_; }
  bool on() const { return settings_.on == 1; }
  // True when a message of this size keeps only its header.
  bool over_cap(qint64 size) const { return size > settings_.max_bytes; }

  // Purges the copies made more than `days` before `now`; how many went.
  int purge_expired(const QDateTime& now = QDateTime::currentDateTimeUtc());

  std::optional<QString> keep(const QString& account, const QByteArray& message);
  void discard(const QString& account, const QString& id) { store_.remove(account, id); }
  bool record(const DeletionRecord& record) { return journal_.append(record); }
  void hold(DeletionRecord record) { held_.append(std::move(record)); }
  // Writes the held records; false when one could not be written.
  bool settle(bool quit_confirmed);

  // Removes a kept copy at the user's wish and notes it in the journal.
  bool forget(const DeletionRecord& record);

  QuarantineStore& store() { return store_; }
  DeletionJournal& journal() { return journal_; }

private:
  QuarantineSettings settings_;
  QuarantineStore store_;
  DeletionJournal journal_;
  QList<DeletionRecord> held_;
};

inline const QString kUnconfirmedNote =
    QStringLiteral(" (the server did not confirm the deletion: the message may still be there)");

}  // namespace halvex
