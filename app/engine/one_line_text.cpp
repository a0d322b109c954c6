#include "one_line_text.h"

namespace halvex {

namespace {

bool is_layout_control(char32_t c) {
  return c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
         c == 0x200E || c == 0x200F || c == 0x061C;
}

}  // namespace

QString one_line_text(const QString& text, qsizetype max_chars) {
  QString out;
  out.reserve(std::min(text.size(), max_chars) + 8);
  qsizetype shown = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (shown >= max_chars) {
      out += QStringLiteral("...");
      break;
    }
    const QChar ch = text.at(i);
    const char16_t c = ch.unicode();
    ++shown;
    switch (c) {
      case u'\\': out += QStringLiteral("\\\\"); continue;
      case u'\t': out += QStringLiteral("\\t"); continue;
      case u'\r': out += QStringLiteral("\\r"); continue;
      case u'\n': out += QStringLiteral("\\n"); continue;
      case 0x1B: out += QStringLiteral("\\e"); continue;
      default: break;
    }
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      out += QStringLiteral("\\x%1").arg(unsigned(c), 2, 16, QLatin1Char('0'));
    } else if (is_layout_control(c)) {
      out += QStringLiteral("\\u{%1}").arg(unsigned(c), 4, 16, QLatin1Char('0'));
    } else if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      out += ch;
      out += text.at(++i);
    } else if (ch.isSurrogate()) {
      out += QStringLiteral("\\u{%1}").arg(unsigned(c), 4, 16, QLatin1Char('0'));  // a lone half
    } else {
      out += ch;
    }
  }
  return out;
}

}  // namespace halvex
