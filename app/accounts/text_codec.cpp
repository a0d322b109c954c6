#include "text_codec.h"

#include <array>

namespace halvex {

namespace {

// 0x80..0x9F of Windows-1252; undefined positions keep their own code point.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence starting at data[i], or 0 when the bytes there
// do not form one (bad lead, short, overlong, surrogate or beyond U+10FFFF).
int utf8_sequence(QByteArrayView data, qsizetype i, char32_t& code) {
  const auto at = [&](qsizetype k) { return static_cast<unsigned char>(data[k]); };
  const unsigned char lead = at(i);
  int len = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    len = 2, code = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    len = 3, code = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    len = 4, code = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > data.size()) return 0;
  for (int k = 1; k < len; ++k) {
    if (!is_continuation(at(i + k))) return 0;
    code = (code << 6) | (at(i + k) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

char16_t windows1252_char(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

QString decode_text(QByteArrayView bytes) {
  QString out;
  out.reserve(bytes.size());
  qsizetype i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out.append(QChar(b));
      ++i;
      continue;
    }
    char32_t code = 0;
    if (const int len = utf8_sequence(bytes, i, code)) {
      out.append(QString::fromUcs4(&code, 1));
      i += len;
    } else {
      out.append(QChar(windows1252_char(b)));
      ++i;
    }
  }
  return out;
}

QByteArray encode_text(QStringView text) {
  QString clean;
  clean.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      clean.append(c);
      clean.append(text[++i]);
    } else if (c.isSurrogate()) {
      clean.append(QChar(QChar::ReplacementCharacter));
    } else {
      clean.append(c);
    }
  }
  return clean.toUtf8();
}

}  // namespace halvex
