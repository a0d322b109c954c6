#include "number_text.h"

#include <algorithm>
#include <limits>

namespace halvex {

namespace {

bool is_digit(QChar c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::optional<qint32> leading_number(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';

  // Magnitude, held one past the largest value either sign can take.
  constexpr qint64 kCap = qint64{std::numeric_limits<qint32>::max()} + 2;
  qint64 whole = 0;
  bool any_digit = false;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    any_digit = true;
    whole = std::min(kCap, whole * 10 + (text[i].unicode() - u'0'));
  }
  // The fraction decides rounding only: above, below or exactly one half.
  int first = -1;
  bool rest_nonzero = false;
  if (i < text.size() && text[i] == u'.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i) {
      any_digit = true;
      const int d = text[i].unicode() - u'0';
      if (first < 0) first = d;
      else if (d != 0) rest_nonzero = true;
    }
  }
  if (!any_digit) return std::nullopt;
  if (first > 5 || (first == 5 && (rest_nonzero || whole % 2 == 1))) whole = std::min(kCap, whole + 1);

  const qint64 value = negative ? -whole : whole;
  return static_cast<qint32>(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                                                std::numeric_limits<qint32>::max()));
}

qint32 number_from_text(QStringView text) { return leading_number(text).value_or(0); }

}  // namespace halvex
