#include "header_rules.h"

namespace halvex {

namespace {

// The first entry of the list that text a (field fa) or text b (field fb) holds.
std::optional<PhraseMatch> first_match(const QStringList& list, const QString& a, MatchField fa,
                                       const QString& b, MatchField fb) {
  for (const QString& phrase : list) {
    if (contains_phrase(a, phrase)) return PhraseMatch{phrase, fa};
    if (contains_phrase(b, phrase)) return PhraseMatch{phrase, fb};
  }
  return std::nullopt;
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

std::optional<PhraseMatch> find_from_phrase(const AccountRecord& record, const QString& from,
                                            const QString& from_name) {
  return first_match(record.from_list, from, MatchField::FromAddress, from_name, MatchField::FromName);
}

std::optional<PhraseMatch> find_to_phrase(const AccountRecord& record, const QString& to1, const QString& to2) {
  return first_match(record.to_list, to1, MatchField::ToName, to2, MatchField::ToAddress);
}

std::optional<PhraseMatch> find_subject_phrase(const AccountRecord& record, const QString& subject) {
  return first_match(record.subject_list, subject, MatchField::Subject, QString(), MatchField::None);
}

bool check_from(const AccountRecord& record, const QString& from, const QString& from_name) {
  // Blank phrases do not count: a gate whose list holds only blanks admits no one, and
  // must not delete every sender.
  if (!has_usable_phrase(record.from_list)) return false;
  switch (record.gate_mode) {
    case 0:
      return find_from_phrase(record, from, from_name).has_value();
    case 1:
      return !find_from_phrase(record, from, from_name).has_value();
    default:
      return false;
  }
}

bool check_to(const AccountRecord& record, const QString& to1, const QString& to2) {
  if (record.to_list.isEmpty() || record.gate_mode == 1) return false;
  return find_to_phrase(record, to1, to2).has_value();
}

bool check_subject(const AccountRecord& record, const QString& subject) {
  if (record.subject_list.isEmpty() || record.gate_mode == 1) return false;
  return find_subject_phrase(record, subject).has_value();
}

}  // namespace halvex
