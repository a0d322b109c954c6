// What may be typed or pasted into the account dialog's boxes, and which descriptions
// can name an account file.
#include "ui/account_name_check.h"
#include "ui/entry_filters.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

namespace halvex {
namespace {

struct KeyRow {
  const char* name;
  int code;
  int kept;
};

class KeyFilter : public testing::TestWithParam<KeyRow> {};

TEST_P(KeyFilter, DropsOnlyQuoteAndComma) { EXPECT_EQ(key_filter(GetParam().code), GetParam().kept); }

INSTANTIATE_TEST_SUITE_P(Codes, KeyFilter,
                         testing::Values(KeyRow{"double_quote", 34, 0}, KeyRow{"comma", 44, 0},
                                         KeyRow{"letter", 'a', 'a'}, KeyRow{"single_quote", 39, 39},
                                         KeyRow{"semicolon", 59, 59}, KeyRow{"blank", 32, 32},
                                         KeyRow{"carriage_return", 13, 13},
                                         KeyRow{"e_acute", 0xE9, 0xE9}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PhraseKeyFilter, TypedQuoteAndCommaChangeNothingEnterCallsAdd) {
  QLineEdit box;
  int enters = 0;
  new PhraseKeyFilter(&box, [&] { ++enters; });
  QTest::keyClicks(&box, "buy,\"now\"");
  EXPECT_EQ(box.text(), "buynow");
  QTest::keyClick(&box, Qt::Key_Return);
  QTest::keyClick(&box, Qt::Key_Enter);
  EXPECT_EQ(enters, 2);
  EXPECT_EQ(box.text(), "buynow");  // Enter does not go into the box
}

TEST(PhraseKeyFilter, PastedTextIsNotFiltered) {
  QLineEdit box;
  new PhraseKeyFilter(&box, [] {});
  QApplication::clipboard()->setText("a,b\"c");
  box.paste();
  EXPECT_EQ(box.text(), "a,b\"c");
}

TEST(QuoteDropValidator, DropsQuotesTypedAndPastedKeepsCommas) {
  QLineEdit box;
  box.setValidator(new QuoteDropValidator(&box));
  QTest::keyClicks(&box, "pa\"ss,word");
  EXPECT_EQ(box.text(), "pass,word");
  box.clear();
  QApplication::clipboard()->setText("\"secret\"");
  box.paste();
  EXPECT_EQ(box.text(), "secret");
  EXPECT_EQ(box.cursorPosition(), 6);
}

struct NameRow {
  const char* name;
  const char* description;
  bool accepted;
};

class DescriptionCheck : public testing::TestWithParam<NameRow> {};

TEST_P(DescriptionCheck, RefusesWhatCannotNameAVisibleFile) {
  const QString why = description_refusal(QString::fromUtf8(GetParam().description));
  EXPECT_EQ(why.isEmpty(), GetParam().accepted) << why.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Names, DescriptionCheck,
    testing::Values(NameRow{"address", "me@example.com", true},
                    NameRow{"blanks_inside", "home account", true},
                    NameRow{"umlaut", "M\xC3\xBCller", true},
                    NameRow{"dot_inside", "a.b", true},
                    NameRow{"dot", ".", false}, NameRow{"dot_dot", "..", false},
                    NameRow{"slash", "home/work", false},
                    NameRow{"hidden_file", ".home", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DescriptionCheck, LengthLimitLeavesRoomForTheSave) {
  EXPECT_TRUE(description_refusal(QString(200, u'x')).isEmpty());
  EXPECT_FALSE(description_refusal(QString(201, u'x')).isEmpty());
  // Counted in bytes of the file name: 101 two-byte letters are too long.
  EXPECT_FALSE(description_refusal(QString(101, QChar(0xFC))).isEmpty());
}

}  // namespace
}  // namespace halvex
