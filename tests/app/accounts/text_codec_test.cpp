// UTF-8 with Windows-1252 for the bytes that are not UTF-8.
#include "accounts/text_codec.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

struct DecodeRow {
  const char* name;
  QByteArray bytes;
  QString text;
};

class DecodeText : public testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeText, ReadsUtf8AndFallsBackPerByte) {
  EXPECT_EQ(decode_text(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeText,
    testing::Values(
        DecodeRow{"ascii", "home,\"x\"\r\n", QStringLiteral("home,\"x\"\r\n")},
        DecodeRow{"utf8_two_three_four", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80",
                  QString::fromUtf8("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80")},
        DecodeRow{"latin1_word", "caf\xe9", QString::fromUtf8("caf\xc3\xa9")},
        DecodeRow{"cp1252_euro_and_quotes", "\x80\x93\x94",
                  QString::fromUtf8("\xe2\x82\xac\xe2\x80\x9c\xe2\x80\x9d")},
        DecodeRow{"cp1252_undefined_keep_code_point", "\x81\x8d\x8f\x90\x9d",
                  QString(QChar(0x81)) + QChar(0x8D) + QChar(0x8F) + QChar(0x90) +
                      QChar(0x9D)},
        DecodeRow{"overlong_nul", QByteArray("\xc0\x80", 2),
                  QString::fromUtf8("\xc3\x80\xe2\x82\xac")},
        DecodeRow{"encoded_surrogate", "\xed\xa0\x80",
                  QString::fromUtf8("\xc3\xad\xc2\xa0\xe2\x82\xac")},
        DecodeRow{"truncated_sequence_at_end", "a\xe2\x82",
                  QString::fromUtf8("a\xc3\xa2\xe2\x80\x9a")},
        DecodeRow{"beyond_u10ffff", "\xf4\x90\x80\x80",
                  QString::fromUtf8("\xc3\xb4\xc2\x90\xe2\x82\xac\xe2\x82\xac")},
        DecodeRow{"valid_after_invalid", "\xff\xc3\xa9",
                  QString::fromUtf8("\xc3\xbf\xc3\xa9")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EncodeText, WritesUtf8AndReplacesLoneSurrogates) {
  QString text = QStringLiteral("a");
  text.append(QChar(0xD800));
  text.append(QString::fromUtf8("\xf0\x9f\x98\x80"));  // a valid pair stays
  text.append(QChar(0xDC00));
  EXPECT_EQ(encode_text(text), QByteArray("a\xef\xbf\xbd\xf0\x9f\x98\x80\xef\xbf\xbd"));
}

TEST(EncodeText, RoundTripsThroughDecode) {
  const QString text = QString::fromUtf8("Gr\xc3\xbc\xc3\x9f""e \xe2\x82\xac \xf0\x9f\x98\x80");
  EXPECT_EQ(decode_text(encode_text(text)), text);
}

}  // namespace
}  // namespace halvex
