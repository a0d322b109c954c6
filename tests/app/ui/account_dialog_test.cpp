// The account dialog: display_data, the lists, key_filter, the gate, "Save && Exit"
// in its steps and messages, Cancel, the alerts and the tab order.
#include "dialog_test_support.h"
#include "accounts/account_file.h"
#include "ui/frm_account.h"
#include "ui/frm_alertconfig.h"
#include "ui/message.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <memory>

namespace halvex {
namespace {

using test::entries_of;
using test::expect_message;
using test::files_in;
using test::when_window;

class AccountDialog : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    folder_ = tmp_.path() + "/";
    reset_account(record_);
  }

  frm_account& open() {
    dialog_ = std::make_unique<frm_account>(record_, folder_);
    dialog_->show();
    return *dialog_;
  }

  static void fill_connection(frm_account& d, const QString& description = "home") {
    d.description_box->setText(description);
    d.server_box->setText("pop.example.com");
    d.user_id_box->setText("me");
    d.password_box->setText("secret");
  }

  static void type_and_add(const PhraseGroup& g, const QString& text) {
    g.entry->setText(text);
    g.add->click();
  }

  AccountRecord saved(const QString& name) {
    AccountRecord loaded;
    EXPECT_TRUE(load_account(folder_, name, loaded)) << name.toStdString();
    return loaded;
  }

  QTemporaryDir tmp_;
  QString folder_;
  AccountRecord record_;
  std::unique_ptr<frm_account> dialog_;
};

TEST_F(AccountDialog, CaptionsOfEveryElement) {
  frm_account& d = open();
  EXPECT_EQ(d.windowTitle(), "Account Configuration");
  QStringList labels;
  for (const QLabel* l : d.findChildren<QLabel*>()) labels.append(l->text());
  for (const char* text : {"Account Description:", "Email Server:", "User ID:", "Password:",
                           "Deletes the email based on applied filters.",
                           "Deletes the email if the email address is NOT in the list.", "bytes."})
    EXPECT_TRUE(labels.contains(text)) << text;
  EXPECT_TRUE(d.server_hint->text().contains("pop3s://pop.example.com"));
  EXPECT_EQ(d.from.frame->title(), "From:");
  EXPECT_EQ(d.subject.frame->title(), "Subject:");
  EXPECT_EQ(d.to.frame->title(), "To:");
  EXPECT_EQ(d.alerts.frame->title(), "Alerts");
  for (const PhraseGroup* g : {&d.from, &d.subject, &d.to, &d.alerts}) {
    EXPECT_EQ(g->add->text(), "Add");
    EXPECT_EQ(g->remove->text(), "Remove");
  }
  EXPECT_EQ(d.alert_edit->text(), "Edit");
  EXPECT_EQ(d.filter_option->text(), "Filter");
  EXPECT_EQ(d.gate_option->text(), "Gate");
  EXPECT_EQ(d.size_check->text(), "Delete any email if = or >:");
  EXPECT_EQ(d.import_button->text(), "Import Text File");
  EXPECT_EQ(d.export_button->text(), "Export Text File");
  EXPECT_EQ(d.save_button->text(), "Save && Exit");
  EXPECT_EQ(d.cancel_button->text(), "Cancel");
  EXPECT_TRUE(d.save_button->isDefault());
  EXPECT_EQ(d.password_box->echoMode(), QLineEdit::Normal);  // shown in clear
}

TEST_F(AccountDialog, DisplayDataShowsTheRecordListsSorted) {
  record_.description = "home";
  record_.server = "pop3s://pop.example.com";
  record_.user_id = "me";
  record_.password = "pw";
  record_.gate_mode = 1;
  record_.size_limit_on = 1;
  record_.size_limit = 5000;
  record_.from_list = {"zed", "Bob", "alice"};
  record_.subject_list = {"b", "A"};
  record_.to_list = {"x"};
  record_.alerts = {{"zeta", 1, "/bin/true", "yes"}, {"alpha", 0, "", ""}};
  frm_account& d = open();
  EXPECT_EQ(d.description_box->text(), "home");
  EXPECT_EQ(d.server_box->text(), "pop3s://pop.example.com");
  EXPECT_EQ(d.user_id_box->text(), "me");
  EXPECT_EQ(d.password_box->text(), "pw");
  EXPECT_TRUE(d.gate_option->isChecked());
  EXPECT_TRUE(d.size_check->isChecked());
  EXPECT_EQ(d.size_box->text(), "5000");
  EXPECT_EQ(entries_of(d.from.list), QStringList({"alice", "Bob", "zed"}));
  EXPECT_EQ(entries_of(d.subject.list), QStringList({"A", "b"}));
  EXPECT_EQ(entries_of(d.alerts.list), QStringList({"zeta", "alpha"}));
  EXPECT_EQ(d.working_alerts(), record_.alerts);
  EXPECT_FALSE(d.subject.frame->isEnabled());
  EXPECT_FALSE(d.to.list->isEnabled());
  EXPECT_TRUE(d.from.frame->isEnabled());
  EXPECT_TRUE(d.alerts.frame->isEnabled());
}

TEST_F(AccountDialog, AddedPhrasesTakeTheirSortedPlaceDuplicatesTwice) {
  frm_account& d = open();
  for (const char* p : {"viagra", "Casino", "loan", "casino", "loan"}) type_and_add(d.from, p);
  EXPECT_EQ(entries_of(d.from.list), QStringList({"Casino", "casino", "loan", "loan", "viagra"}));
}

TEST_F(AccountDialog, AddTrimsBlanksOnlyAddsNothing) {
  frm_account& d = open();
  type_and_add(d.to, "   ");
  EXPECT_EQ(d.to.list->count(), 0);
  EXPECT_EQ(d.to.entry->text(), "   ");
  type_and_add(d.to, "  spam  ");
  EXPECT_EQ(entries_of(d.to.list), QStringList({"spam"}));
  EXPECT_TRUE(d.to.entry->text().isEmpty());
}

TEST_F(AccountDialog, TypedCommaAndQuoteChangeNothingEnterActsAsAdd) {
  frm_account& d = open();
  for (const PhraseGroup* g : {&d.from, &d.subject, &d.to, &d.alerts}) {
    QTest::keyClicks(g->entry, "get,\"rich\"");
    EXPECT_EQ(g->entry->text(), "getrich");
    QTest::keyClick(g->entry, Qt::Key_Return);
    EXPECT_EQ(entries_of(g->list), QStringList({"getrich"}));
    EXPECT_TRUE(g->entry->text().isEmpty());
  }
  EXPECT_TRUE(d.isVisible());  // Enter did not reach "Save && Exit"
  EXPECT_TRUE(files_in(tmp_.path()).isEmpty());
}

TEST_F(AccountDialog, PastingIntoAPhraseBoxIsNotFiltered) {
  frm_account& d = open();
  QApplication::clipboard()->setText("cheap,pills");
  d.subject.entry->paste();
  EXPECT_EQ(d.subject.entry->text(), "cheap,pills");
  d.subject.add->click();
  EXPECT_EQ(entries_of(d.subject.list), QStringList({"cheap,pills"}));
  // A pasted quote is still never stored: the account file could not read it back.
  QApplication::clipboard()->setText("say \"hi\"");
  d.subject.entry->paste();
  d.subject.add->click();
  EXPECT_EQ(entries_of(d.subject.list), QStringList({"cheap,pills", "say hi"}));
}

TEST_F(AccountDialog, RemoveTakesTheSelectedEntryOnly) {
  record_.from_list = {"a", "b", "c"};
  frm_account& d = open();
  d.from.list->clearSelection();
  d.from.remove->click();
  EXPECT_EQ(d.from.list->count(), 3);
  d.from.list->setCurrentRow(1);
  d.from.remove->click();
  EXPECT_EQ(entries_of(d.from.list), QStringList({"a", "c"}));
}

TEST_F(AccountDialog, GateGreysSubjectAndToButKeepsAndSavesThem) {
  record_.subject_list = {"win"};
  record_.to_list = {"undisclosed"};
  frm_account& d = open();
  test::answer_question(true);  // "Choose gate mode?"
  d.gate_option->click();
  for (const PhraseGroup* g : {&d.subject, &d.to}) {
    EXPECT_FALSE(g->frame->isEnabled());
    EXPECT_FALSE(g->entry->isEnabled());
    EXPECT_FALSE(g->add->isEnabled());
    EXPECT_FALSE(g->remove->isEnabled());
    EXPECT_FALSE(g->list->isEnabled());
  }
  EXPECT_TRUE(d.from.add->isEnabled());
  EXPECT_TRUE(d.alerts.add->isEnabled());
  EXPECT_TRUE(d.size_box->isEnabled());
  type_and_add(d.from, "friend@example.com");
  fill_connection(d);
  d.save_button->click();
  const AccountRecord r = saved("home");
  EXPECT_EQ(r.gate_mode, 1);
  EXPECT_EQ(r.subject_list, QStringList({"win"}));
  EXPECT_EQ(r.to_list, QStringList({"undisclosed"}));
  EXPECT_EQ(r.from_list, QStringList({"friend@example.com"}));

  d.filter_option->click();  // and back: enabled again
  EXPECT_TRUE(d.subject.entry->isEnabled());
}

struct NumberRow {
  const char* name;
  const char* text;
  qint32 size_limit;
};

class SizeBox : public AccountDialog, public testing::WithParamInterface<NumberRow> {};

TEST_P(SizeBox, SavesTheNumberTheTextBeginsWith) {
  frm_account& d = open();
  fill_connection(d);
  d.size_check->setChecked(true);
  d.size_box->setText(GetParam().text);
  // Below 1 KB, or no size at all, asks first (account_guards_test.cpp); say yes here.
  if (GetParam().size_limit < 1024) test::answer_question(true);
  d.save_button->click();
  EXPECT_EQ(record_.size_limit, GetParam().size_limit);
  const AccountRecord r = saved("home");
  EXPECT_EQ(r.size_limit, GetParam().size_limit);
  EXPECT_EQ(r.size_limit_on, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, SizeBox,
    testing::Values(NumberRow{"half_to_even_down", "2.5", 2}, NumberRow{"half_to_even_up", "3.5", 4},
                    NumberRow{"negative", "-10", 0}, NumberRow{"letters", "abc", 0},
                    NumberRow{"trailing_word", "1500 bytes", 1500},
                    NumberRow{"leading_blanks", "  42", 42}, NumberRow{"empty", "", 0},
                    NumberRow{"beyond_32_bits", "99999999999", 2147483647}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccountDialog, TrimmedDescriptionNamesTheFile) {
  frm_account& d = open();
  fill_connection(d, "  home  ");
  d.server_box->setText("  pop3s://pop.example.com  ");
  d.password_box->setText(" pw ");
  d.save_button->click();
  EXPECT_EQ(d.result(), QDialog::Accepted);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(files_in(tmp_.path()), QStringList({"home.dat"}));
  const AccountRecord r = saved("home");
  EXPECT_EQ(r.description, "home");
  EXPECT_EQ(r.server, "pop3s://pop.example.com");  // stored as typed, trimmed
  EXPECT_EQ(r.password, "pw");
  EXPECT_EQ(r, record_);
}

// Answered No, the question after a rename keeps the old account, as before.
TEST_F(AccountDialog, ChangedDescriptionWritesASecondFileTheOldStays) {
  {
    frm_account& d = open();
    fill_connection(d, "home");
    type_and_add(d.from, "old");
    d.save_button->click();
  }
  ASSERT_TRUE(load_account(folder_, "home", record_));
  frm_account& d = open();
  d.description_box->setText("work");
  type_and_add(d.from, "new");
  test::answer_question(false);  // "Remove the account "home"?"
  d.save_button->click();
  EXPECT_EQ(files_in(tmp_.path()), QStringList({"home.dat", "work.dat"}));
  EXPECT_EQ(saved("home").from_list, QStringList({"old"}));
  EXPECT_EQ(saved("work").from_list, QStringList({"new", "old"}));
}

struct MissingRow {
  const char* name;
  std::function<void(frm_account&)> blank;
  const char* message;
};

class SaveRefused : public AccountDialog, public testing::WithParamInterface<MissingRow> {};

TEST_P(SaveRefused, ShowsTheMessageKeepsTheDialogAndTheInput) {
  frm_account& d = open();
  fill_connection(d);
  GetParam().blank(d);
  const QString typed = d.description_box->text() + d.server_box->text() +
                        d.user_id_box->text() + d.password_box->text();
  QString message;
  expect_message(&message);
  d.save_button->click();
  EXPECT_EQ(message.toStdString(), GetParam().message);
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(d.description_box->text() + d.server_box->text() + d.user_id_box->text() +
                d.password_box->text(),
            typed);
  EXPECT_TRUE(files_in(tmp_.path()).isEmpty());
}

const char kRefusal[] =
    "This account name cannot be used as a file name.\n\nAn account name must not begin with "
    "\".\", must not hold \"/\" and must not be longer than 200 letters.";

INSTANTIATE_TEST_SUITE_P(
    Steps, SaveRefused,
    testing::Values(
        MissingRow{"description", [](frm_account& d) { d.description_box->setText("   "); },
                   "Please enter an account name: (yourname@example.com)"},
        MissingRow{"server", [](frm_account& d) { d.server_box->setText(" "); },
                   "Please enter an account server name."},
        MissingRow{"user_id", [](frm_account& d) { d.user_id_box->clear(); },
                   "Please enter an account user id."},
        MissingRow{"password", [](frm_account& d) { d.password_box->setText("  "); },
                   "Please enter an account password."},
        MissingRow{"hidden_file_name", [](frm_account& d) { d.description_box->setText(".home"); },
                   kRefusal},
        MissingRow{"slash", [](frm_account& d) { d.description_box->setText("home/work"); },
                   kRefusal},
        MissingRow{"dot_dot", [](frm_account& d) { d.description_box->setText(".."); },
                   kRefusal}),
    [](const auto& info) { return std::string(info.param.name); });

// The password box keeps a quote so that it can be refused with a message instead
// (account_guards_test.cpp).
TEST_F(AccountDialog, ConnectionBoxesDropTheQuoteTypedOrPasted) {
  frm_account& d = open();
  for (QLineEdit* box : {d.description_box, d.server_box, d.user_id_box}) {
    box->clear();
    QTest::keyClicks(box, "a\"b,c");
    EXPECT_EQ(box->text(), "ab,c");
  }
  QApplication::clipboard()->setText("s\"v\"");
  d.server_box->clear();
  d.server_box->paste();
  EXPECT_EQ(d.server_box->text(), "sv");
  d.password_box->setText("pw");
  d.save_button->click();
  const AccountRecord r = saved("ab,c");
  EXPECT_EQ(r.server, "sv");
  EXPECT_EQ(r.user_id, "ab,c");
  EXPECT_EQ(r.password, "pw");
}

// A failed save is reported and keeps the dialog open with everything typed, so the
// user can try again (the folder may come back) instead of typing it all anew.
TEST_F(AccountDialog, FailedSaveIsReportedAndKeepsTheDialog) {
  const QString missing = tmp_.path() + "/no-such-folder/";
  folder_ = missing;
  frm_account& d = open();
  fill_connection(d);
  type_and_add(d.from, "spam");
  QString message;
  expect_message(&message);
  d.save_button->click();
  EXPECT_EQ(message, "Error during save!");
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(d.description_box->text(), "home");
  EXPECT_EQ(entries_of(d.from.list), QStringList({"spam"}));
  ASSERT_TRUE(QDir().mkpath(missing));  // the folder is back: the same click now saves
  d.save_button->click();
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Accepted);
  AccountRecord r;
  EXPECT_TRUE(load_account(missing, "home", r));
}

TEST_F(AccountDialog, CancelAndCloseSaveNothing) {
  record_.from_list = {"kept"};
  const AccountRecord before = record_;
  for (int way = 0; way < 3; ++way) {
    frm_account& d = open();
    fill_connection(d);
    type_and_add(d.from, "dropped");
    test::answer_question(true);  // "Choose gate mode?"
    d.gate_option->click();
    test::answer_question(true);  // "Discard the changes to this account?"
    if (way == 0) d.cancel_button->click();
    else if (way == 1) d.close();
    else QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible()) << way;
    EXPECT_EQ(record_, before) << way;
    EXPECT_TRUE(files_in(tmp_.path()).isEmpty()) << way;
  }
}

TEST_F(AccountDialog, AlertsKeepTheirOrderAndMoveWithAllFourValues) {
  record_.alerts = {{"one", 1, "/bin/one", "yes"}, {"two", 1, "/bin/two", ""},
                    {"three", 0, "", "yes"}};
  frm_account& d = open();
  type_and_add(d.alerts, "  Zulu  ");
  type_and_add(d.alerts, "alpha");
  type_and_add(d.alerts, "   ");
  EXPECT_EQ(entries_of(d.alerts.list), QStringList({"one", "two", "three", "Zulu", "alpha"}));
  EXPECT_EQ(d.working_alerts()[3], (AlertRule{"Zulu", 0, "", ""}));

  d.alerts.list->clearSelection();
  d.alerts.remove->click();
  EXPECT_EQ(d.working_alerts().size(), 5);
  d.alerts.list->setCurrentRow(1);
  d.alerts.remove->click();
  EXPECT_EQ(entries_of(d.alerts.list), QStringList({"one", "three", "Zulu", "alpha"}));
  EXPECT_EQ(d.working_alerts()[1], (AlertRule{"three", 0, "", "yes"}));

  fill_connection(d);
  d.save_button->click();
  const AccountRecord r = saved("home");
  ASSERT_EQ(r.alerts.size(), 4);
  EXPECT_EQ(r.alerts[0], (AlertRule{"one", 1, "/bin/one", "yes"}));
  EXPECT_EQ(r.alerts[3], (AlertRule{"alpha", 0, "", ""}));
}

TEST_F(AccountDialog, EditOpensTheSelectedAlertAndChangesReachTheFileOnSave) {
  record_.alerts = {{"one", 0, "", ""}, {"two", 0, "", ""}};
  const AccountRecord before = record_;
  frm_account& d = open();
  d.alerts.list->clearSelection();
  d.alert_edit->click();  // nothing selected: no dialog (a modal one would hang here)

  d.alerts.list->setCurrentRow(1);
  bool seen = false;
  when_window<frm_alertconfig>([&](frm_alertconfig* a) {
    seen = true;
    EXPECT_EQ(a->Label2->text(), "two");
    a->Option2->click();
    a->Text1->setText("https://example.com/");
    a->Check1->setChecked(true);
    a->Command2->click();
  });
  d.alert_edit->click();
  EXPECT_TRUE(seen);
  EXPECT_EQ(d.working_alerts()[1], (AlertRule{"two", 1, "https://example.com/", "yes"}));
  EXPECT_EQ(record_, before);  // the record changes only on "Save && Exit"
  fill_connection(d);
  d.save_button->click();
  EXPECT_EQ(saved("home").alerts[1], (AlertRule{"two", 1, "https://example.com/", "yes"}));
}

TEST_F(AccountDialog, TabOrderFollowsTheReadingOrder) {
  frm_account& d = open();
  const QList<QWidget*> expected = {
      d.description_box, d.server_box,     d.user_id_box,    d.password_box,
      d.filter_option,   d.size_check,     d.size_box,       d.from.entry,
      d.from.add,        d.from.remove,    d.from.list,      d.subject.entry,
      d.to.entry,        d.alerts.entry,   d.alerts.add,     d.alerts.remove,
      d.alert_edit,      d.alerts.list,    d.import_button,  d.export_button,
      d.save_button,     d.cancel_button};
  QList<QWidget*> chain;
  QWidget* w = d.description_box;
  do {
    if (expected.contains(w) && !chain.contains(w)) chain.append(w);
    w = w->nextInFocusChain();
  } while (w != d.description_box);
  EXPECT_EQ(chain, expected);
}

}  // namespace
}  // namespace halvex
