// The message window: its texts, CR line breaks, and every way of closing it.
#include "ui/frm_msgbox.h"
#include "ui/message.h"
#include "qt/modal.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace halvex {
namespace {

using test::when_modal;

TEST(MessageLines, CrStartsANewLine) {
  EXPECT_EQ(message_lines("one\rtwo\r\rfour"), "one\ntwo\n\nfour");
  EXPECT_EQ(message_lines("a\r\nb"), "a\nb");
  EXPECT_EQ(message_lines("plain & simple"), "plain & simple");
}

TEST(ShowMessage, ShowsTheTextAndOkClosesIt) {
  const QString text = QStringLiteral("Error Launching Your Default Browser!\r\rPlease try again.");
  bool seen = false;
  when_modal([&](QWidget* w) {
    auto* box = qobject_cast<frm_msgbox*>(w);
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box->windowTitle(), "Halvex");
    EXPECT_EQ(box->Label1->text(),
              "Error Launching Your Default Browser!\n\nPlease try again.");
    EXPECT_EQ(box->Command1->text(), "&Ok");
    const auto* icon = box->findChild<QLabel*>("Image1");
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    box->Command1->click();
  });
  show_message(text);
  EXPECT_TRUE(seen);
  EXPECT_EQ(message_text(), text);
}

TEST(ShowMessage, AmpersandIsShownAsTyped) {
  when_modal([](QWidget* w) {
    auto* box = qobject_cast<frm_msgbox*>(w);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Label1->text(), "Save & Exit <b>now</b>");
    EXPECT_EQ(box->Label1->textFormat(), Qt::PlainText);
    box->Command1->click();
  });
  show_message("Save & Exit <b>now</b>");
}

struct CloseRow {
  const char* name;
  std::function<void(frm_msgbox*)> close;
};

class CloseMessage : public testing::TestWithParam<CloseRow> {};

TEST_P(CloseMessage, ReturnsFromShowMessage) {
  bool closed_by_test = false;
  when_modal([&](QWidget* w) {
    auto* box = qobject_cast<frm_msgbox*>(w);
    ASSERT_NE(box, nullptr);
    closed_by_test = true;
    GetParam().close(box);
    // A way that does not close the window must fail the test, not hang it.
    QTimer::singleShot(3000, box, [box] {
      ADD_FAILURE() << "the window is still open";
      box->reject();
    });
  });
  show_message("x");
  EXPECT_TRUE(closed_by_test);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CloseMessage,
    testing::Values(CloseRow{"window_close", [](frm_msgbox* b) { b->close(); }},
                    CloseRow{"escape", [](frm_msgbox* b) { QTest::keyClick(b, Qt::Key_Escape); }},
                    CloseRow{"enter_on_default_button",
                             [](frm_msgbox* b) { QTest::keyClick(b, Qt::Key_Return); }},
                    CloseRow{"alt_o_mnemonic",
                             [](frm_msgbox* b) {
                               // Mnemonics reach the active window only.
                               b->activateWindow();
                               ASSERT_TRUE(QTest::qWaitForWindowActive(b));
                               QTest::keyClick(b, Qt::Key_O, Qt::AltModifier);
                             }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex
