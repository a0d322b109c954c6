// The quoted-field text format shared by the account file and the alert lock file.
//
// A line holds fields separated by commas with no blanks around them. A string field
// is a double quote, the text unchanged (there is no escape, so the text cannot hold
// a double quote), and a double quote; an integer field is its decimal digits with a
// leading "-" when negative. Every line ends with CR LF.
//
// Reading takes fields one after another; lines only separate them. A field ends at a
// comma or at the end of a line (CR LF, a lone CR or a lone LF). Blanks (space, tab)
// before a field are skipped. A field opening with a double quote runs to the next
// double quote, line ends included, and whatever follows that quote up to the next
// comma or line end is skipped. Any other field runs to the next comma or line end.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace halvex {

class QuotedFieldWriter {
 public:
  // Appends a string field to the current line. The text is written unchanged.
  QuotedFieldWriter& string_field(const QString& text);
  // Appends an integer field to the current line.
  QuotedFieldWriter& int_field(qint32 value);
  // Ends the current line with CR LF.
  QuotedFieldWriter& end_line();

  const QString& text() const { return text_; }
  // The text as UTF-8, the encoding of every file the program writes.
  QByteArray bytes() const;

 private:
  void separate();

  QString text_;
  bool line_open_ = false;
};

class QuotedFieldReader {
 public:
  explicit QuotedFieldReader(QString text) : text_(std::move(text)) {}

  // The next field as text; nothing when the end of the text has been reached.
  std::optional<QString> string_field();
  // The next field as a 32-bit decimal integer (an optional "-" and digits, blanks
  // around them allowed); nothing at the end of the text or when the field is not
  // such a number.
  std::optional<qint32> int_field();
  // Reads and discards one field; false at the end of the text.
  bool skip_field();

  bool at_end() const { return pos_ >= text_.size(); }

 private:
  bool at_line_end() const;
  void consume_terminator();

  QString text_;
  qsizetype pos_ = 0;
};

// True when the text can be stored as a string field and read back unchanged.
bool storable_as_string_field(const QString& text);

}  // namespace halvex
