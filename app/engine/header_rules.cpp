#include "header_rules.h"

namespace halvex {

namespace {

// True when one of the texts holds one entry of the list.
bool any_contains(const QStringList& list, const QString& a, const QString& b) {
  for (const QString& phrase : list)
    if (contains_phrase(a, phrase) || contains_phrase(b, phrase)) return true;
  return false;
}

}  // namespace

bool is_blank_phrase(const QString& phrase) {
  for (const QChar c : phrase)
    if (!c.isSpace()) return false;
  return true;
}

bool contains_phrase(const QString& text, const QString& phrase) {
  if (text.isEmpty() || is_blank_phrase(phrase)) return false;
  return text.contains(phrase, Qt::CaseInsensitive);
}

bool has_usable_phrase(const QStringList& list) {
  for (const QString& phrase : list)
    if (!is_blank_phrase(phrase)) return true;
  return false;
}

bool size_rule(const AccountRecord& record, qint32 message_size) {
  return record.size_limit_on == 1 && message_size >= record.size_limit;
}

bool check_from(const AccountRecord& record, const QString& from, const QString& from_name) {
  // Blank phrases do not count: a gate whose list holds only blanks admits no one, and
  // must not delete every sender.
  if (!has_usable_phrase(record.from_list)) return false;
  switch (record.gate_mode) {
    case 0:
      return any_contains(record.from_list, from, from_name);
    case 1:
      return !any_contains(record.from_list, from, from_name);
    default:
      return false;
  }
}

bool check_to(const AccountRecord& record, const QString& to1, const QString& to2) {
  if (record.to_list.isEmpty() || record.gate_mode == 1) return false;
  return any_contains(record.to_list, to1, to2);
}

bool check_subject(const AccountRecord& record, const QString& subject) {
  if (record.subject_list.isEmpty() || record.gate_mode == 1) return false;
  for (const QString& phrase : record.subject_list)
    if (contains_phrase(subject, phrase)) return true;
  return false;
}

}  // namespace halvex
