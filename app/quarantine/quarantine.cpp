#include "quarantine.h"

namespace halvex {

Quarantine::Quarantine(QuarantineSettings settings, const QString& journal_folder)
    : settings_(settings), journal_(journal_folder) {}

int Quarantine::purge_expired(const QDateTime& now) {
  const QList<QString> purged = store_.purge_before(now.addDays(-settings_.days));
  for (const QString& id : purged) journal_.append(ForgetRecord{id, now, QStringLiteral("retention")});
  return static_cast<int>(purged.size());
}

std::optional<QString> Quarantine::keep(const QString& account, const QByteArray& message) {
  return store_.keep(account, message);
}

bool Quarantine::settle(bool quit_confirmed) {
  if (!quit_confirmed)
    for (DeletionRecord& r : held_) r.reason += kUnconfirmedNote;
  const bool ok = journal_.append_all(held_);
  held_.clear();
  return ok;
}

bool Quarantine::forget(const DeletionRecord& record) {
  if (record.has_copy() && store_.exists(record.account, record.id) && !store_.remove(record.account, record.id))
    return false;
  return journal_.append(ForgetRecord{record.id, QDateTime::currentDateTimeUtc(), QStringLiteral("deleted for good")});
}

}  // namespace halvex
