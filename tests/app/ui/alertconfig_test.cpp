// The alert settings dialog: its elements, opening, the option enabling, the file
// button and the write-back of "&Ok".
#include "dialog_test_support.h"
#include "ui/frm_alertconfig.h"
#include "ui/frm_getfile.h"
#include "ui/picker_lists.h"
#include "ui/remembered_folder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace halvex {
namespace {

using test::expect_message;
using test::item_named;
using test::when_window;

TEST(AlertConfig, ElementsTopToBottom) {
  AlertRule alert{"lottery & <b>win</b>", 0, "", ""};
  frm_alertconfig d(alert);
  EXPECT_EQ(d.windowTitle(), "Email Alert Settings");
  const QList<QWidget*> order = {d.Label1, d.Label2, d.Option1, d.Option2, d.Label3,
                                 d.Text1,  d.Check1, d.Command2};
  auto* layout = d.layout();
  int last = -1;
  for (QWidget* w : order) {
    int at = layout->indexOf(w);
    if (at < 0)  // inside a row of the layout
      for (int i = 0; i < layout->count() && at < 0; ++i)
        if (auto* row = layout->itemAt(i)->layout(); row && row->indexOf(w) >= 0) at = i;
    EXPECT_GT(at, last) << w->objectName().toStdString();
    last = at;
  }
  EXPECT_EQ(d.Label1->text(),
            "When you recieve an email that contains the following phrase anywhere in the "
            "from, to, subject headers:");
  EXPECT_EQ(d.Label2->text(), "lottery & <b>win</b>");
  EXPECT_EQ(d.Label2->textFormat(), Qt::PlainText);
  EXPECT_EQ(d.Option1->text(), "Display an alert box on your desktop.");
  EXPECT_EQ(d.Option2->text(), "Execute a file or link from your computer.");
  EXPECT_EQ(d.Label3->text(), "Type in an internet url (http://) or click on the file button.");
  EXPECT_EQ(d.Command1->text(), "...");
  EXPECT_EQ(d.Check1->text(),
            "Check this box to delete the email once the alert has been processed.");
  EXPECT_EQ(d.Command2->text(), "&Ok");
  EXPECT_TRUE(d.Command2->isDefault());
}

struct OpenRow {
  const char* name;
  AlertRule alert;
  bool execute;
  bool checked;
};

class AlertOpening : public testing::TestWithParam<OpenRow> {};

TEST_P(AlertOpening, ShowsActionTargetAndDeleteChoice) {
  AlertRule alert = GetParam().alert;
  frm_alertconfig d(alert);
  EXPECT_EQ(d.Option2->isChecked(), GetParam().execute);
  EXPECT_EQ(d.Option1->isChecked(), !GetParam().execute);
  EXPECT_EQ(d.Text1->isEnabled(), GetParam().execute);
  EXPECT_EQ(d.Command1->isEnabled(), GetParam().execute);
  EXPECT_EQ(d.Text1->text(), GetParam().alert.target);
  EXPECT_EQ(d.Check1->isChecked(), GetParam().checked);
}

INSTANTIATE_TEST_SUITE_P(
    Alerts, AlertOpening,
    testing::Values(OpenRow{"desktop", {"p", 0, "", ""}, false, false},
                    OpenRow{"execute", {"p", 1, "/usr/bin/xterm", "yes"}, true, true},
                    OpenRow{"other_action_counts_as_execute", {"p", 7, "x", ""}, true, false},
                    OpenRow{"capital_yes_is_not_yes", {"p", 0, "", "YES"}, false, false},
                    OpenRow{"yes_with_blank_is_not_yes", {"p", 0, "", "yes "}, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AlertConfig, OptionsEnableAndDisableTheTarget) {
  AlertRule alert{"p", 0, "kept", ""};
  frm_alertconfig d(alert);
  d.Option2->click();
  EXPECT_TRUE(d.Text1->isEnabled());
  EXPECT_TRUE(d.Command1->isEnabled());
  d.Option1->click();
  EXPECT_FALSE(d.Text1->isEnabled());
  EXPECT_FALSE(d.Command1->isEnabled());
  EXPECT_EQ(d.Text1->text(), "kept");
}

struct OkRow {
  const char* name;
  AlertRule before;
  std::function<void(frm_alertconfig&)> user;
  AlertRule after;
};

class AlertOk : public testing::TestWithParam<OkRow> {};

TEST_P(AlertOk, WritesBackInOrder) {
  AlertRule alert = GetParam().before;
  frm_alertconfig d(alert);
  GetParam().user(d);
  d.Command2->click();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_EQ(alert, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AlertOk,
    testing::Values(
        OkRow{"execute_with_blank_target_is_a_desktop_alert",
              {"p", 0, "", ""},
              [](frm_alertconfig& d) {
                d.Option2->click();
                d.Text1->setText("   ");
              },
              {"p", 0, "", ""}},
        OkRow{"target_trimmed",
              {"p", 0, "", ""},
              [](frm_alertconfig& d) {
                d.Option2->click();
                d.Text1->setText("  http://example.com/  ");
              },
              {"p", 1, "http://example.com/", ""}},
        OkRow{"capital_yes_stored_empty", {"p", 1, "/x", "YES"}, [](frm_alertconfig&) {},
              {"p", 1, "/x", ""}},
        OkRow{"capital_yes_checked_again", {"p", 1, "/x", "YES"},
              [](frm_alertconfig& d) { d.Check1->click(); }, {"p", 1, "/x", "yes"}},
        OkRow{"desktop_keeps_disabled_target",
              {"p", 1, "/usr/bin/xterm", "yes"},
              [](frm_alertconfig& d) { d.Option1->click(); },
              {"p", 0, "/usr/bin/xterm", "yes"}},
        OkRow{"typed_quote_dropped",
              {"p", 1, "", ""},
              [](frm_alertconfig& d) { QTest::keyClicks(d.Text1, "/bin/\"x\""); },
              {"p", 1, "/bin/x", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AlertConfig, ClosingWithoutOkLeavesTheAlert) {
  const AlertRule before{"p", 1, "/x", "yes"};
  for (int way = 0; way < 2; ++way) {
    AlertRule alert = before;
    frm_alertconfig d(alert);
    d.show();
    d.Option1->click();
    d.Text1->setText("changed");
    d.Check1->setChecked(false);
    if (way == 0) d.close();
    else QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(alert, before);
  }
}

class AlertFileButton : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    ASSERT_TRUE(test::write_bytes(tmp_.filePath("notify.sh"), "#!/bin/sh\n"));
    ASSERT_TRUE(test::write_bytes(tmp_.filePath("say \"hi\".sh"), "#!/bin/sh\n"));
    set_remembered_folder(tmp_.path());
  }
  QTemporaryDir tmp_;
};

TEST_F(AlertFileButton, ChosenPathGoesIntoTheBoxCancelLeavesIt) {
  AlertRule alert{"p", 1, "old", ""};
  frm_alertconfig d(alert);
  when_window<frm_getfile>([](frm_getfile* p) {
    EXPECT_EQ(p->windowTitle(), "Select a file to execute for email alert.");
    p->Command2->click();
  });
  d.Command1->click();
  EXPECT_EQ(d.Text1->text(), "old");

  when_window<frm_getfile>([](frm_getfile* p) {
    p->lists->File1->setCurrentItem(item_named(p->lists->File1, "notify.sh"));
    p->Command1->click();
  });
  d.Command1->click();
  EXPECT_EQ(d.Text1->text(), tmp_.filePath("notify.sh"));
  d.Command2->click();
  EXPECT_EQ(alert, (AlertRule{"p", 1, tmp_.filePath("notify.sh"), ""}));
}

TEST_F(AlertFileButton, APathWithAQuoteIsRefusedWithAMessage) {
  AlertRule alert{"p", 1, "old", ""};
  frm_alertconfig d(alert);
  QString message;
  when_window<frm_getfile>([&](frm_getfile* p) {
    p->lists->File1->setCurrentItem(item_named(p->lists->File1, "say \"hi\".sh"));
    expect_message(&message, p);
    p->Command1->click();
  });
  d.Command1->click();
  EXPECT_TRUE(message.startsWith("The chosen file's path holds a double quote")) << message.toStdString();
  EXPECT_EQ(d.Text1->text(), "old");
}

}  // namespace
}  // namespace halvex
