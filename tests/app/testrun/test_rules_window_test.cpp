// The Test Rules window, opened by the account dialog's button over the rules as they
// stand (unsaved), and by the main window's button for the selected account.
#include "ui/frm_account.h"
#include "ui/frm_msgbox.h"
#include "ui/test_rules_window.h"

#include "../ui/main_window_rig.h"

#include "net/dovecot_fixture.h"
#include "net/hold_proxy.h"
#include "qt/modal.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace halvex {
namespace {

std::string mail(const std::string& from, const std::string& subject) {
  return "From: " + from + "\r\nTo: me@home.example\r\nSubject: " + subject + "\r\n\r\nbody\r\n";
}

QStringList column(const QTableWidget* table, int c) {
  QStringList out;
  for (int r = 0; r < table->rowCount(); ++r) out.append(table->item(r, c)->text());
  return out;
}

class TestRulesWindowTest : public testnet::DovecotTest {
 protected:
  void SetUp() override {
    testnet::DovecotTest::SetUp();
    ASSERT_TRUE(tmp_.isValid());
    dovecot().maildir().add(mail("Deals <deals@bulk.example>", "Offer"));
    dovecot().maildir().add(mail("Amy <amy@friends.example>", "Lunch"));
  }

  void fill(frm_account& d, const QString& password) {
    d.description_box->setText("home");
    d.server_box->setText(QString::fromStdString(dovecot().address()));
    d.user_id_box->setText(QString::fromStdString(dovecot().user().name));
    d.password_box->setText(password);
  }

  static TestRulesWindow* window_of(QWidget* parent) {
    const auto found = parent->findChildren<TestRulesWindow*>();
    return found.isEmpty() ? nullptr : found.last();
  }

  QTemporaryDir tmp_;
  AccountRecord record_;
};

TEST_F(TestRulesWindowTest, TheDialogsButtonTestsTheUnsavedRules) {
  frm_account d(record_, tmp_.path() + "/");
  d.show();
  fill(d, QString::fromStdString(dovecot().user().password));
  d.from.entry->setText("bulk.example");
  d.from.add->click();
  ASSERT_NE(d.test_rules_button, nullptr);
  EXPECT_EQ(d.test_rules_button->text(), "Test Rules");
  d.test_rules_button->click();
  TestRulesWindow* w = window_of(&d);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(w->running());
  EXPECT_TRUE(d.isEnabled());  // the dialog goes on working meanwhile
  d.subject.entry->setText("typed during the run");
  EXPECT_EQ(d.subject.entry->text(), "typed during the run");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->running(); }, 30000));
  EXPECT_EQ(w->status->text(), "1 of 2 messages would be deleted.");
  EXPECT_EQ(column(w->table, TestRulesWindow::kNumber), QStringList({"1", "2"}));
  EXPECT_EQ(column(w->table, TestRulesWindow::kSender),
            QStringList({"Deals <deals@bulk.example>", "Amy <amy@friends.example>"}));
  EXPECT_EQ(column(w->table, TestRulesWindow::kSubject), QStringList({"Offer", "Lunch"}));
  EXPECT_EQ(column(w->table, TestRulesWindow::kVerdict), QStringList({"delete", "keep"}));
  EXPECT_EQ(column(w->table, TestRulesWindow::kRule),
            QStringList({"From phrase \"bulk.example\" found in the sender address", "no rule matched"}));
  EXPECT_EQ(w->progress->value(), w->progress->maximum());
  EXPECT_FALSE(w->cancel_button->isEnabled());
  EXPECT_TRUE(QDir(tmp_.path()).entryList(QDir::Files).isEmpty());  // nothing saved
  EXPECT_EQ(dovecot().maildir().count(), 2u);

  // Gate mode over the same mail, from the same window: every message, in plain words.
  d.from.list->clear();
  d.from.entry->setText("@nobody.example");
  d.from.add->click();
  test::when_modal([](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    box->button(QMessageBox::Yes)->click();  // "Choose gate mode?"
  });
  d.gate_option->click();
  ASSERT_TRUE(d.gate_option->isChecked());
  d.test_rules_button->click();
  EXPECT_EQ(window_of(&d), w);  // the open window runs again
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->running(); }, 30000));
  EXPECT_TRUE(w->status->text().startsWith("2 of 2 messages would be deleted.")) << w->status->text().toStdString();
  EXPECT_TRUE(w->status->text().contains("every message"));
  EXPECT_EQ(w->table->rowCount(), 2);
}

TEST_F(TestRulesWindowTest, ALoginFailureShowsItsCause) {
  frm_account d(record_, tmp_.path() + "/");
  d.show();
  fill(d, "wrong");
  d.test_rules_button->click();
  TestRulesWindow* w = window_of(&d);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->running(); }, 30000));
  EXPECT_TRUE(w->status->text().startsWith("Login failed: ")) << w->status->text().toStdString();
  EXPECT_EQ(w->table->rowCount(), 0);
}

TEST_F(TestRulesWindowTest, MissingConnectionDataIsRefusedWithoutAWindow) {
  frm_account d(record_, tmp_.path() + "/");
  d.show();
  fill(d, "pw");
  d.server_box->clear();
  QString message;
  test::when_modal([&](QWidget* w) {
    auto* box = qobject_cast<frm_msgbox*>(w);
    ASSERT_NE(box, nullptr);
    message = box->Label1->text();
    box->Command1->click();
  });
  d.test_rules_button->click();
  EXPECT_EQ(message, "Please enter an account server name.");
  EXPECT_EQ(window_of(&d), nullptr);
  EXPECT_EQ(d.focusWidget(), d.server_box);
}

TEST_F(TestRulesWindowTest, CancelAndCloseEndTheRun) {
  for (int i = 0; i < 300; ++i) dovecot().maildir().add(mail("x@bulk.example", "m"));
  // The header of message 150 and all after it wait in the relay until the cancel is made, so
  // the run cannot end by itself first, however fast it is.
  testnet::HoldProxy relay(testnet::Family::v4, dovecot().port(), "TOP 150 0");
  AccountRecord account = test::account_on("home", QString::fromStdString(relay.address()),
                                           QString::fromStdString(dovecot().user().name),
                                           QString::fromStdString(dovecot().user().password), {"bulk"});
  QWidget parent;
  TestRulesWindow* w = open_test_rules(account, &parent);
  QObject::connect(
      w->table->model(), &QAbstractItemModel::rowsInserted, w,
      [w, &relay] {
        w->cancel_button->click();
        relay.release();
      },
      Qt::SingleShotConnection);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w->running(); }, 30000));
  EXPECT_EQ(w->status->text(), "Cancelled. Nothing was deleted.");
  EXPECT_LT(w->table->rowCount(), 150);  // nothing from the held headers on

  QPointer<TestRulesWindow> second = open_test_rules(account, &parent);
  QObject::connect(second->table->model(), &QAbstractItemModel::rowsInserted, second,
                   [second] { second->close(); },  // deletes itself, cancelling the run
                   Qt::SingleShotConnection);
  ASSERT_TRUE(QTest::qWaitFor([&] { return second.isNull(); }, 30000));
  EXPECT_EQ(dovecot().maildir().count(), 302u);
}

TEST_F(TestRulesWindowTest, TheMainWindowsButtonTestsTheSelectedAccount) {
  test::MainWindowRig rig;
  rig.add_account(test::account_on("home", QString::fromStdString(dovecot().address()),
                                   QString::fromStdString(dovecot().user().name),
                                   QString::fromStdString(dovecot().user().password), {"bulk"}));
  frm_main& w = rig.load();
  ASSERT_NE(w.test_rules_button, nullptr);
  w.test_rules_button->click();  // no row selected: nothing
  EXPECT_EQ(window_of(&w), nullptr);
  w.List1->setCurrentRow(0);
  w.test_rules_button->click();
  TestRulesWindow* t = window_of(&w);
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !t->running(); }, 30000));
  EXPECT_EQ(t->status->text(), "1 of 2 messages would be deleted.");
  EXPECT_EQ(t->windowTitle(), "Test Rules - home");
  EXPECT_EQ(dovecot().maildir().count(), 2u);
}

}  // namespace
}  // namespace halvex
