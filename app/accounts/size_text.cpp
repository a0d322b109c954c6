#include "size_text.h"

#include <QString>
#include <algorithm>
#include <array>
#include <limits>

namespace halvex {

namespace {

bool is_digit(QChar c) { return c >= u'0' && c <= u'9'; }

// Blanks a user may type between digit groups: space, tab, no-break and thin spaces.
bool is_blank(QChar c) {
  return c == u' ' || c == u'\t' || c == QChar(0x00A0) || c == QChar(0x2009) ||
         c == QChar(0x202F);
}

// Skips blanks from i; returns the first other position.
qsizetype skip_blanks(QStringView text, qsizetype i) {
  while (i < text.size() && is_blank(text[i])) ++i;
  return i;
}

// Reads digits from i, blanks between two digits ignored, appending them to `out`.
// Returns the position after the last digit (trailing blanks are not taken).
qsizetype read_digits(QStringView text, qsizetype i, QString& out) {
  while (i < text.size() && is_digit(text[i])) {
    out.append(text[i++]);
    const qsizetype next = skip_blanks(text, i);
    if (next > i && next < text.size() && is_digit(text[next])) i = next;
  }
  return i;
}

struct Unit {
  const char* word;
  qint64 factor;
};

constexpr qint64 kK = 1024;
constexpr std::array kUnits = {
    Unit{"b", 1},          Unit{"byte", 1},           Unit{"bytes", 1},
    Unit{"k", kK},         Unit{"kb", kK},            Unit{"kib", kK},
    Unit{"kilobyte", kK},  Unit{"kilobytes", kK},     Unit{"m", kK * kK},
    Unit{"mb", kK * kK},   Unit{"mib", kK * kK},      Unit{"megabyte", kK * kK},
    Unit{"megabytes", kK * kK},                       Unit{"g", kK * kK * kK},
    Unit{"gb", kK * kK * kK},                         Unit{"gib", kK * kK * kK},
    Unit{"gigabyte", kK * kK * kK},                   Unit{"gigabytes", kK * kK * kK}};

// The factor of the word (a run of letters) at i; 1 for no word or an unknown one.
qint64 unit_factor(QStringView text, qsizetype i) {
  qsizetype end = i;
  while (end < text.size() && text[end].isLetter()) ++end;
  const QString word = text.mid(i, end - i).toString().toLower();
  for (const Unit& unit : kUnits)
    if (word == QLatin1String(unit.word)) return unit.factor;
  return 1;
}

}  // namespace

std::optional<qint32> read_size(QStringView text) {
  qsizetype i = skip_blanks(text, 0);
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  QString whole;
  QString fraction;
  i = read_digits(text, i, whole);
  if (i < text.size() && text[i] == u'.') i = read_digits(text, i + 1, fraction);
  if (whole.isEmpty() && fraction.isEmpty()) return std::nullopt;
  const qint64 factor = unit_factor(text, skip_blanks(text, i));

  constexpr qint64 kMax = std::numeric_limits<qint32>::max();
  // Leading zeros aside, more than 10 whole digits is beyond any 32-bit size.
  while (whole.size() > 1 && whole.front() == u'0') whole.remove(0, 1);
  if (whole.size() > 10) return negative ? 0 : kMax;
  // value = (whole + fraction) * factor, exactly for the first 18 fraction digits; any
  // further digits only break a tie at one half.
  constexpr int kDigits = 18;
  const bool rest_nonzero = fraction.size() > kDigits &&
                            std::any_of(fraction.begin() + kDigits, fraction.end(),
                                        [](QChar c) { return c != u'0'; });
  fraction = fraction.left(kDigits).leftJustified(kDigits, u'0');
  constexpr __int128 kDenominator = 1000000000000000000;  // 10^18
  const __int128 numerator =
      (__int128{whole.isEmpty() ? 0 : whole.toLongLong()} * kDenominator + fraction.toLongLong()) *
      factor;
  __int128 bytes = numerator / kDenominator;
  const __int128 twice_rest = (numerator % kDenominator) * 2;
  if (twice_rest > kDenominator ||
      (twice_rest == kDenominator && (rest_nonzero || bytes % 2 == 1)))
    ++bytes;
  if (negative) return 0;
  return static_cast<qint32>(std::min<__int128>(bytes, kMax));
}

}  // namespace halvex
