#include "text_decode.h"

#include <array>
#include <cstdint>

namespace halvex::alert {
namespace {

// Windows-1252 at 0x80..0x9F; the five bytes it leaves undefined keep their own code point.
constexpr std::array<char16_t, 32> cp1252_high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t cp1252(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return cp1252_high[byte - 0x80];
  return byte;
}

bool continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at data[i] and its code point, or 0 when there is none.
int utf8_sequence(const unsigned char* data, std::size_t size, std::size_t i, char32_t& cp) {
  const unsigned char lead = data[i];
  int length = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (size - i < static_cast<std::size_t>(length)) return 0;
  for (int k = 1; k < length; ++k) {
    if (!continuation(data[i + k])) return 0;
    cp = (cp << 6) | (data[i + k] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

QString decode_text(QByteArrayView bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<std::size_t>(bytes.size());
  QString out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < size;) {
    if (data[i] < 0x80) {
      out.append(QChar(data[i]));
      ++i;
      continue;
    }
    char32_t cp = 0;
    if (const int length = utf8_sequence(data, size, i, cp)) {
      const char32_t one[] = {cp};
      out.append(QString::fromUcs4(one, 1));
      i += static_cast<std::size_t>(length);
    } else {
      out.append(QChar(cp1252(data[i])));
      ++i;
    }
  }
  return out;
}

}  // namespace halvex::alert
