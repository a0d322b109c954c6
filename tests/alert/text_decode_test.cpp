// Command-line bytes: UTF-8 where valid, Windows-1252 for every other byte.
#include "text_decode.h"

#include "qt_print.h"

#include <gtest/gtest.h>

namespace halvex::alert {
namespace {

struct DecodeRow {
  const char* name;
  QByteArray bytes;
  QString text;
};

class DecodeText : public testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeText, KeepsEveryByte) {
  EXPECT_EQ(decode_text(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeText,
    testing::Values(
        DecodeRow{"ascii", "Re: hi", u"Re: hi"_qs},
        DecodeRow{"utf8_two_bytes", "caf\xC3\xA9", u"caf\u00E9"_qs},
        DecodeRow{"utf8_three_bytes", "\xE2\x82\xAC", u"\u20AC"_qs},
        DecodeRow{"utf8_four_bytes", "\xF0\x9F\x98\x80", QString::fromUcs4(U"\U0001F600", 1)},
        DecodeRow{"latin1_byte", "caf\xE9", u"caf\u00E9"_qs},
        DecodeRow{"cp1252_euro", "\x80 5", u"\u20AC 5"_qs},
        DecodeRow{"cp1252_quotes", "\x93x\x94", u"\u201Cx\u201D"_qs},
        DecodeRow{"cp1252_undefined_keeps_code_point", "\x81\x8D\x8F\x90\x9D",
                  u"\u0081\u008D\u008F\u0090\u009D"_qs},
        DecodeRow{"overlong_slash", "\xC0\xAF", u"\u00C0\u00AF"_qs},
        DecodeRow{"surrogate_half", "\xED\xA0\x80", u"\u00ED\u00A0\u20AC"_qs},
        DecodeRow{"beyond_unicode", "\xF4\x90\x80\x80", u"\u00F4\u0090\u20AC\u20AC"_qs},
        DecodeRow{"truncated_at_end", "a\xE2\x82", u"a\u00E2\u201A"_qs},
        DecodeRow{"lead_then_ascii", "\xC3(", u"\u00C3("_qs},
        DecodeRow{"empty", "", QString()}),
    [](const testing::TestParamInfo<DecodeRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex::alert
