// QuarantineStore: copies of deleted messages, kept through the component's message store
// (MSGSTORE). All copies live under the mailbox "Quarantine", one mailbox per account
// ("Quarantine/<account>"); each copy is one message file under its copy id (copy_id.h),
// holding the bytes given (saved through IMSGSTOREBYTES, so 8-bit text that is not UTF-8
// stays as it came).
// The store writes a file to a temporary name and renames it into place, so a copy that
// keep() reports is whole. Its sync is deferred (IMSGSTOREBYTES DeferSync): the POP3 session
// syncs every copy, and their folders, before its QUIT, the command that makes the server
// remove the messages marked for deletion; when that sync fails it undoes them (RSET).
#pragma once

#include "frame/com_ptr.h"
#include "frame/imsgstore.h"
#include "store/imsgstorebytes.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace halvex {

inline const QString kQuarantineMailbox = QStringLiteral("Quarantine");

class QuarantineStore {
public:
  // A store object of the component; ok() is false when none could be made, or it cannot
  // save bytes.
  QuarantineStore();
  bool ok() const { return store_ && bytes_; }

  // "Quarantine/" + the account's name, with "%", "/" and a leading "." percent-encoded
  // so that no account name leaves its folder.
  static QString mailbox_of(const QString& account);

  // Keeps `message` for `account` under a new id made at `now`; the id once the file is on
  // disk with every byte, nullopt when it is not.
  std::optional<QString> keep(const QString& account, const QByteArray& message,
                              const QDateTime& now = QDateTime::currentDateTimeUtc());

  // The copy's file (whether or not it exists).
  QString file_path(const QString& account, const QString& id) const;
  bool exists(const QString& account, const QString& id) const;
  bool remove(const QString& account, const QString& id);

  // Removes every copy made before `cutoff` (read from its id; files of other names are
  // left alone) and returns their ids.
  QList<QString> purge_before(const QDateTime& cutoff);

private:
  velmo::ComPtr<IMSGSTORE> store_;
  velmo::ComPtr<IMSGSTOREBYTES> bytes_;
  QSet<QString> made_;  // mailboxes this object has created or found
};

}  // namespace halvex
