#include "account_format.h"

#include "quoted_fields.h"

#include <algorithm>

namespace halvex {

namespace {

constexpr int kReservedPerLine = 10;
const QString kReserved = QStringLiteral(" ");

void write_reserved_line(QuotedFieldWriter& out) {
  for (int i = 0; i < kReservedPerLine; ++i) out.string_field(kReserved);
  out.end_line();
}

void write_phrases(QuotedFieldWriter& out, const QStringList& list) {
  out.int_field(static_cast<qint32>(list.size())).end_line();
  for (const QString& phrase : list) {
    out.string_field(phrase).end_line();
    out.string_field(kReserved).end_line();
    out.string_field(kReserved).end_line();
  }
}

bool all_storable(const AccountRecord& r) {
  const auto ok = [](const QString& s) { return storable_as_string_field(s); };
  const auto list_ok = [&](const QStringList& l) { return std::all_of(l.begin(), l.end(), ok); };
  return ok(r.description) && ok(r.server) && ok(r.user_id) && ok(r.password) &&
         list_ok(r.from_list) && list_ok(r.subject_list) && list_ok(r.to_list) &&
         std::all_of(r.alerts.begin(), r.alerts.end(), [&](const AlertRule& a) {
           return ok(a.phrase) && ok(a.target) && ok(a.delete_after);
         });
}

bool skip_fields(QuotedFieldReader& in, int count) {
  for (int i = 0; i < count; ++i)
    if (!in.skip_field()) return false;
  return true;
}

bool read_into(QuotedFieldReader& in, QString& target) {
  std::optional<QString> field = in.string_field();
  if (!field) return false;
  target = std::move(*field);
  return true;
}

bool read_into(QuotedFieldReader& in, qint32& target) {
  const std::optional<qint32> field = in.int_field();
  if (!field) return false;
  target = *field;
  return true;
}

std::optional<qint32> read_count(QuotedFieldReader& in) {
  const std::optional<qint32> count = in.int_field();
  if (!count || *count < 0) return std::nullopt;
  return count;
}

bool read_phrases(QuotedFieldReader& in, QStringList& list) {
  const std::optional<qint32> count = read_count(in);
  if (!count) return false;
  list.clear();
  for (qint32 i = 0; i < *count; ++i) {
    QString phrase;
    if (!read_into(in, phrase) || !skip_fields(in, 2)) return false;
    list.append(std::move(phrase));
  }
  return true;
}

bool read_alerts(QuotedFieldReader& in, QList<AlertRule>& alerts) {
  const std::optional<qint32> count = read_count(in);
  if (!count) return false;
  alerts.clear();
  for (qint32 i = 0; i < *count; ++i) {
    AlertRule alert;
    if (!read_into(in, alert.phrase) || !read_into(in, alert.action) ||
        !read_into(in, alert.target) || !read_into(in, alert.delete_after) ||
        !skip_fields(in, 1))
      return false;
    alerts.append(std::move(alert));
  }
  return true;
}

}  // namespace

std::optional<QByteArray> format_account(const AccountRecord& r) {
  if (!all_storable(r)) return std::nullopt;
  QuotedFieldWriter out;
  write_reserved_line(out);
  out.string_field(r.description).end_line();
  out.string_field(r.server).string_field(r.user_id).string_field(r.password).end_line();
  out.int_field(r.gate_mode).end_line();
  out.int_field(r.size_limit_on).int_field(r.size_limit).end_line();
  write_reserved_line(out);
  write_phrases(out, r.from_list);
  write_phrases(out, r.subject_list);
  write_phrases(out, r.to_list);
  out.int_field(static_cast<qint32>(r.alerts.size())).end_line();
  for (const AlertRule& a : r.alerts) {
    out.string_field(a.phrase).end_line();
    out.int_field(a.action).end_line();
    out.string_field(a.target).end_line();
    out.string_field(a.delete_after).end_line();
    out.string_field(kReserved).end_line();
  }
  write_reserved_line(out);
  return out.bytes();
}

std::optional<AccountRecord> parse_account(const QString& text) {
  QuotedFieldReader in(text);
  AccountRecord r;
  const bool ok = skip_fields(in, kReservedPerLine) && read_into(in, r.description) &&
                  read_into(in, r.server) && read_into(in, r.user_id) &&
                  read_into(in, r.password) && read_into(in, r.gate_mode) &&
                  read_into(in, r.size_limit_on) && read_into(in, r.size_limit) &&
                  r.size_limit >= 0 && skip_fields(in, kReservedPerLine) &&
                  read_phrases(in, r.from_list) && read_phrases(in, r.subject_list) &&
                  read_phrases(in, r.to_list) && read_alerts(in, r.alerts) &&
                  skip_fields(in, kReservedPerLine);
  if (!ok) return std::nullopt;
  return r;
}

}  // namespace halvex
