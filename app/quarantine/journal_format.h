// One line of the deletion journal, and its text form.
//
// The journal is UTF-8 text, one record per line ended by LF, fields separated by a tab.
// Inside a field a backslash is written "\\", a tab "\t", a line feed "\n" and a carriage
// return "\r", so no field can break its line. Two kinds of line:
//
//   D  id  time  account  number  uidl  message-id  sender  subject  size  rule  list
//      phrase  field  reason  copy
//        a message deleted on the server. time is UTC, ISO 8601 ("2026-12-08T10:42:16Z");
//        number is the message's number in that session; uidl is the server's unique id
//        for it (asked at the deletion while quarantine is on and the server offers UIDL),
//        else empty; rule is size, from, to, subject, gate or alert; list,
//        phrase and field name the entry that decided (empty where the rule has none);
//        reason is the same in words (ending in kUnconfirmedNote when the server did not
//        answer the session's QUIT, so the deletion may not have happened); copy is "full"
//        (the whole message is kept under id, byte for byte as the server sent it),
//        "header only" (over the size cap: the header is kept under id) or "not kept".
//   F  id  time  why
//        the copy of record id is gone (why: "deleted for good" or "retention"); readers
//        then leave record id out.
//
// Lines of another kind, and fields after the last known one, are ignored when read.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace halvex {

inline const QString kCopyFull = QStringLiteral("full");
inline const QString kCopyHeaderOnly = QStringLiteral("header only");
inline const QString kCopyNotKept = QStringLiteral("not kept");

struct DeletionRecord {
  QString id;
  QDateTime time;  // UTC
  QString account;
  qint32 message_number = 0;
  QString uidl;
  QString message_id;
  QString sender;
  QString subject;
  qint64 size = 0;
  QString rule;    // size, from, to, subject, gate, alert
  QString list;    // From, To, Subject, Alerts
  QString phrase;
  QString field;   // sender address, sender name, recipient name, recipient address, subject
  QString reason;  // the rule in words
  QString copy = kCopyNotKept;

  bool has_copy() const { return copy == kCopyFull || copy == kCopyHeaderOnly; }
  friend bool operator==(const DeletionRecord&, const DeletionRecord&) = default;
};

struct ForgetRecord {
  QString id;
  QDateTime time;
  QString why;
};

// A field escaped for the journal, and back.
QString escape_journal_field(const QString& text);
QString unescape_journal_field(const QString& text);

// The line of a record, without its LF.
QString journal_line(const DeletionRecord& record);
QString journal_line(const ForgetRecord& record);

// A parsed line: one of the two kinds, or neither for a line that is not a record.
struct JournalLine {
  std::optional<DeletionRecord> deletion;
  std::optional<ForgetRecord> forget;
};
JournalLine parse_journal_line(const QString& line);

}  // namespace halvex
