// The account dialog's guards against slips that delete mail or lose typing: each
// question and refusal, what No and Yes do, and where the focus goes.
#include "dialog_test_support.h"
#include "accounts/account_file.h"
#include "ui/account_guards.h"
#include "ui/frm_account.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <memory>

namespace halvex {
namespace {

using test::answer_question;
using test::entries_of;
using test::expect_message;
using test::file_bytes;
using test::files_in;

// Message and question texts as the windows show them: each CR a line break.
QString shown(QString text) { return text.replace(u'\r', u'\n'); }

class AccountGuards : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    folder_ = tmp_.path() + "/";
    reset_account(record_);
  }

  frm_account& open(std::optional<QString> opened_name = std::nullopt) {
    dialog_ = std::make_unique<frm_account>(record_, folder_, nullptr, opened_name);
    dialog_->show();
    return *dialog_;
  }

  static void fill(frm_account& d, const QString& description = "home") {
    d.description_box->setText(description);
    d.server_box->setText("pop.example.com");
    d.user_id_box->setText("me");
    d.password_box->setText("secret");
  }

  // Saves an account file directly, as an earlier run of the dialog would have.
  void existing(const QString& name, const QStringList& from) {
    AccountRecord r;
    r.description = name;
    r.server = "pop.example.com";
    r.user_id = "me";
    r.password = "old";
    r.from_list = from;
    ASSERT_TRUE(save_account(folder_, name, r));
  }

  AccountRecord saved(const QString& name) {
    AccountRecord r;
    EXPECT_TRUE(load_account(folder_, name, r)) << name.toStdString();
    return r;
  }

  QTemporaryDir tmp_;
  QString folder_;
  AccountRecord record_;
  std::unique_ptr<frm_account> dialog_;
};

struct SizeRow {
  const char* name;
  const char* typed;
  bool rule_on;
  const char* question;  // empty: saved without asking
  bool answer;
  std::optional<qint32> saved;  // nothing: not saved, the dialog stays
};

class SizeGuard : public AccountGuards, public testing::WithParamInterface<SizeRow> {};

TEST_P(SizeGuard, AsksBelowOneKilobyteOrWithoutASize) {
  const SizeRow& row = GetParam();
  frm_account& d = open();
  fill(d);
  d.size_check->setChecked(row.rule_on);
  d.size_box->setText(row.typed);
  QString question;
  bool yes_default = true;
  const bool asks = *row.question != '\0';
  if (asks) answer_question(row.answer, &question, &yes_default);
  d.save_button->click();
  if (asks) {
    EXPECT_TRUE(question.startsWith(row.question)) << question.toStdString();
    EXPECT_FALSE(yes_default);
  }
  if (row.saved) {
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(saved("home").size_limit, *row.saved);
  } else {
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(files_in(tmp_.path()).isEmpty());
    EXPECT_EQ(d.size_box->text(), row.typed);
    EXPECT_EQ(d.focusWidget(), d.size_box);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SizeGuard,
    testing::Values(
        SizeRow{"megabytes", "5 MB", true, "", false, 5242880},
        SizeRow{"grouped_digits", "100 000", true, "", false, 100000},
        SizeRow{"one_kilobyte", "1 KB", true, "", false, 1024},
        SizeRow{"below_a_kilobyte_no", "500", true, "Every message of 500 bytes or more will be deleted.", false, std::nullopt},
        SizeRow{"below_a_kilobyte_yes", "500", true, "Every message of 500 bytes or more will be deleted.", true, 500},
        SizeRow{"not_a_size_no", "five megs", true, "\"five megs\" is not a size.\n\nEvery message of 0 bytes or more will be deleted.", false, std::nullopt},
        SizeRow{"empty_no", "", true, "\"\" is not a size.", false, std::nullopt},
        SizeRow{"rule_off_never_asks", "5", false, "", false, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccountGuards, ChoosingGateAsksWithTheNumberOfSenders) {
  record_.from_list = {"amy@friends.example", "  ", "@work.example"};
  record_.subject_list = {"win"};
  frm_account& d = open();
  QString question;
  bool yes_default = true;
  answer_question(false, &question, &yes_default);
  d.gate_option->click();
  EXPECT_TRUE(question.contains("NOT on the From list")) << question.toStdString();
  EXPECT_TRUE(question.contains("The From list holds 2 senders")) << question.toStdString();  // the blank does not count
  EXPECT_FALSE(yes_default);
  EXPECT_TRUE(d.filter_option->isChecked());  // No: still Filter
  EXPECT_TRUE(d.subject.entry->isEnabled());

  answer_question(true);
  d.gate_option->click();
  EXPECT_TRUE(d.gate_option->isChecked());
  EXPECT_FALSE(d.subject.entry->isEnabled());
}

TEST_F(AccountGuards, AnAccountOpenedInGateModeAsksNothing) {
  record_.gate_mode = 1;
  record_.from_list = {"amy@friends.example"};
  frm_account& d = open();  // a question here would be left unanswered and fail the test
  QTest::qWait(50);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(d.gate_option->isChecked());
}

TEST_F(AccountGuards, GateWithoutSendersIsRefused) {
  for (const QStringList& from : {QStringList{}, QStringList{"", "   "}}) {
    record_.gate_mode = 1;
    record_.from_list = from;
    frm_account& d = open();
    fill(d);
    QString message;
    expect_message(&message);
    d.save_button->click();
    EXPECT_EQ(message, shown(gate_without_senders()));
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.focusWidget(), d.from.entry);
    EXPECT_TRUE(files_in(tmp_.path()).isEmpty());
  }
}

TEST_F(AccountGuards, NewOverAnExistingAccountAsksNoKeepsEverything) {
  existing("home", {"old-phrase"});
  const QByteArray before = file_bytes(folder_ + "home.dat");
  frm_account& d = open();  // New: reset record, no file
  fill(d);
  d.from.entry->setText("new-phrase");
  d.from.add->click();
  QString question;
  bool yes_default = true;
  answer_question(false, &question, &yes_default);
  d.save_button->click();
  EXPECT_EQ(question, shown(replace_question("home")));
  EXPECT_FALSE(yes_default);
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(file_bytes(folder_ + "home.dat"), before);
  EXPECT_EQ(d.description_box->text(), "home");
  EXPECT_EQ(entries_of(d.from.list), QStringList({"new-phrase"}));
  EXPECT_EQ(d.focusWidget(), d.description_box);

  answer_question(true);
  d.save_button->click();
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(saved("home").from_list, QStringList({"new-phrase"}));
}

TEST_F(AccountGuards, RenameOffersToRemoveTheOldAccountYesByDefault) {
  existing("home", {"a"});
  ASSERT_TRUE(load_account(folder_, "home", record_));
  frm_account& d = open("home");
  d.description_box->setText("work");
  QString question;
  bool yes_default = false;
  answer_question(true, &question, &yes_default);
  d.save_button->click();
  EXPECT_EQ(question, shown(remove_old_question("home", "work")));
  EXPECT_TRUE(yes_default);
  EXPECT_EQ(files_in(tmp_.path()), QStringList({"work.dat"}));
  EXPECT_EQ(saved("work").from_list, QStringList({"a"}));
}

TEST_F(AccountGuards, RenameOntoAnotherAccountAsksToReplaceItFirst) {
  existing("home", {"a"});
  existing("work", {"w"});
  ASSERT_TRUE(load_account(folder_, "home", record_));
  frm_account& d = open("home");
  d.description_box->setText("work");
  QString first;
  QString second;
  test::when_window<QMessageBox>([&](QMessageBox* box) {
    first = box->text();
    answer_question(true, &second, nullptr, box);  // then: remove "home"?
    box->button(QMessageBox::Yes)->click();
  });
  d.save_button->click();
  EXPECT_EQ(first, shown(replace_question("work")));
  EXPECT_EQ(second, shown(remove_old_question("home", "work")));
  EXPECT_EQ(files_in(tmp_.path()), QStringList({"work.dat"}));
  EXPECT_EQ(saved("work").from_list, QStringList({"a"}));
}

TEST_F(AccountGuards, SaveUnderTheOpenedNameAsksNothing) {
  existing("home", {"a"});
  ASSERT_TRUE(load_account(folder_, "home", record_));
  frm_account& d = open("home");
  d.from.entry->setText("b");
  d.from.add->click();
  d.save_button->click();  // no question may appear: it would block here
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(saved("home").from_list, QStringList({"a", "b"}));
}

TEST_F(AccountGuards, PasswordWithADoubleQuoteIsRefusedNotDropped) {
  frm_account& d = open();
  fill(d);
  d.password_box->clear();
  QTest::keyClicks(d.password_box, "pa\"ss");
  EXPECT_EQ(d.password_box->text(), "pa\"ss");  // kept as typed
  QString message;
  expect_message(&message);
  d.save_button->click();
  EXPECT_EQ(message, shown(password_quote_refusal()));
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(d.focusWidget(), d.password_box);
  EXPECT_TRUE(files_in(tmp_.path()).isEmpty());
}

struct FocusRow {
  const char* name;
  std::function<void(frm_account&)> slip;
  std::function<QWidget*(frm_account&)> field;
};

class FocusAfterRefusal : public AccountGuards, public testing::WithParamInterface<FocusRow> {};

TEST_P(FocusAfterRefusal, GoesToTheFieldAtFault) {
  frm_account& d = open();
  fill(d);
  d.cancel_button->setFocus();
  GetParam().slip(d);
  QString message;
  expect_message(&message);
  d.save_button->click();
  EXPECT_FALSE(message.isEmpty());
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(d.focusWidget(), GetParam().field(d));
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FocusAfterRefusal,
    testing::Values(
        FocusRow{"description", [](frm_account& d) { d.description_box->clear(); },
                 [](frm_account& d) -> QWidget* { return d.description_box; }},
        FocusRow{"bad_file_name", [](frm_account& d) { d.description_box->setText(".."); },
                 [](frm_account& d) -> QWidget* { return d.description_box; }},
        FocusRow{"server", [](frm_account& d) { d.server_box->clear(); },
                 [](frm_account& d) -> QWidget* { return d.server_box; }},
        FocusRow{"user_id", [](frm_account& d) { d.user_id_box->setText("  "); },
                 [](frm_account& d) -> QWidget* { return d.user_id_box; }},
        FocusRow{"password", [](frm_account& d) { d.password_box->clear(); },
                 [](frm_account& d) -> QWidget* { return d.password_box; }}),
    [](const auto& info) { return std::string(info.param.name); });

enum class Way { kCancel, kEscape, kClose };

class DiscardGuard : public AccountGuards, public testing::WithParamInterface<Way> {
 protected:
  void leave(frm_account& d) {
    switch (GetParam()) {
      case Way::kCancel: d.cancel_button->click(); break;
      case Way::kEscape: QTest::keyClick(&d, Qt::Key_Escape); break;
      case Way::kClose: d.close(); break;
    }
  }
};

TEST_P(DiscardGuard, AsksOnlyWithUnsavedChanges) {
  record_.description = "home";
  record_.server = "pop.example.com";
  record_.from_list = {"kept"};
  {
    frm_account& d = open();
    leave(d);  // nothing changed: closes without a question
    EXPECT_FALSE(d.isVisible());
  }
  frm_account& d = open();
  d.subject.entry->setText("typed, not added");
  QString question;
  bool yes_default = true;
  answer_question(false, &question, &yes_default);
  leave(d);
  EXPECT_EQ(question, shown(discard_question()));
  EXPECT_FALSE(yes_default);
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(d.subject.entry->text(), "typed, not added");

  d.subject.entry->clear();
  d.server_box->setText("pop.other.example");
  answer_question(true);
  leave(d);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_EQ(record_.server, "pop.example.com");
  EXPECT_TRUE(files_in(tmp_.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Ways, DiscardGuard, testing::Values(Way::kCancel, Way::kEscape, Way::kClose),
                         [](const auto& info) {
                           return std::string(info.param == Way::kCancel   ? "cancel"
                                              : info.param == Way::kEscape ? "escape"
                                                                           : "close");
                         });

}  // namespace
}  // namespace halvex
