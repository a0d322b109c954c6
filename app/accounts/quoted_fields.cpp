#include "quoted_fields.h"

#include "text_codec.h"

#include <limits>

namespace halvex {

void QuotedFieldWriter::separate() {
  if (line_open_) text_.append(u',');
  line_open_ = true;
}

QuotedFieldWriter& QuotedFieldWriter::string_field(const QString& text) {
  separate();
  text_.append(u'"');
  text_.append(text);
  text_.append(u'"');
  return *this;
}

QuotedFieldWriter& QuotedFieldWriter::int_field(qint32 value) {
  separate();
  text_.append(QString::number(value));
  return *this;
}

QuotedFieldWriter& QuotedFieldWriter::end_line() {
  text_.append(u"\r\n");
  line_open_ = false;
  return *this;
}

QByteArray QuotedFieldWriter::bytes() const { return encode_text(text_); }

bool QuotedFieldReader::at_line_end() const {
  const QChar c = text_.at(pos_);
  return c == u'\r' || c == u'\n';
}

// Consumes the comma or line end that closes a field, if any.
void QuotedFieldReader::consume_terminator() {
  if (at_end()) return;
  const QChar c = text_.at(pos_);
  if (c == u',' || c == u'\n') {
    ++pos_;
  } else if (c == u'\r') {
    ++pos_;
    if (!at_end() && text_.at(pos_) == u'\n') ++pos_;
  }
}

std::optional<QString> QuotedFieldReader::string_field() {
  if (at_end()) return std::nullopt;
  while (!at_end() && (text_.at(pos_) == u' ' || text_.at(pos_) == u'\t')) ++pos_;
  QString field;
  if (!at_end() && text_.at(pos_) == u'"') {
    const qsizetype start = pos_ + 1;
    qsizetype close = text_.indexOf(u'"', start);
    if (close < 0) close = text_.size();
    field = text_.mid(start, close - start);
    pos_ = close < text_.size() ? close + 1 : close;
    while (!at_end() && text_.at(pos_) != u',' && !at_line_end()) ++pos_;
  } else {
    const qsizetype start = pos_;
    while (!at_end() && text_.at(pos_) != u',' && !at_line_end()) ++pos_;
    field = text_.mid(start, pos_ - start);
  }
  consume_terminator();
  return field;
}

std::optional<qint32> QuotedFieldReader::int_field() {
  const std::optional<QString> field = string_field();
  if (!field) return std::nullopt;
  const QString digits = field->trimmed();
  qsizetype i = 0;
  const bool negative = !digits.isEmpty() && digits[0] == u'-';
  if (negative) ++i;
  if (i >= digits.size()) return std::nullopt;
  qint64 value = 0;
  for (; i < digits.size(); ++i) {
    const QChar c = digits[i];
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
    if (value > qint64{std::numeric_limits<qint32>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<qint32>::max()) return std::nullopt;
  return static_cast<qint32>(value);
}

bool QuotedFieldReader::skip_field() { return string_field().has_value(); }

bool storable_as_string_field(const QString& text) { return !text.contains(u'"'); }

}  // namespace halvex
