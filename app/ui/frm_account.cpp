#include "frm_account.h"

#include "account_guards.h"
#include "account_name_check.h"
#include "entry_filters.h"
#include "engine/header_rules.h"
#include "frm_alertconfig.h"
#include "list_import_export.h"
#include "message.h"
#include "phrase_list.h"
#include "question.h"
#include "test_rules_window.h"
#include "signin_panel.h"
#include "accounts/account_file.h"
#include "accounts/account_state.h"
#include "accounts/app_folder.h"
#include "accounts/settings.h"
#include "accounts/size_text.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace halvex {

namespace {

const QString kNoDescription =
    QStringLiteral("Please enter an account name: (yourname@example.com)");
const QString kNoServer = QStringLiteral("Please enter an account server name.");
const QString kNoUserId = QStringLiteral("Please enter an account user id.");
const QString kNoPassword = QStringLiteral("Please enter an account password.");
const QString kSaveFailed = QStringLiteral("Error during save!");
const QString kRemoveFailed = QStringLiteral("Error removing email account!");

// `drop_quotes`: the box silently drops a double quote, which the account file cannot
// hold. The password box does not: a dropped character would make every login fail
// for no visible reason, so a quote there is refused on saving instead.
QLineEdit* account_box(const QString& name, QWidget* parent, bool drop_quotes = true) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  if (drop_quotes) box->setValidator(new QuoteDropValidator(box));
  return box;
}

QPushButton* button(const QString& caption, const QString& name, QWidget* parent) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  return b;
}

QLabel* note(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setIndent(22);
  label->setForegroundRole(QPalette::PlaceholderText);
  return label;
}

}  // namespace

frm_account::frm_account(AccountRecord& record, const QString& folder, QWidget* parent,
                         std::optional<QString> opened_name)
    : QDialog(parent),
      record_(record),
      folder_(folder),
      opened_name_(opened_name.value_or(record.description)) {
  setObjectName(QStringLiteral("frm_account"));
  setWindowTitle(QStringLiteral("Account Configuration"));

  // Widgets are made in reading order, which is also their tab order.
  auto* account_grid = new QGridLayout;
  build_account_boxes(account_grid);
  QGroupBox* settings = build_global_settings();
  from = build_group(QStringLiteral("From:"), QStringLiteral("From"));
  subject = build_group(QStringLiteral("Subject:"), QStringLiteral("Subject"));
  to = build_group(QStringLiteral("To:"), QStringLiteral("To"));
  alerts = build_group(QStringLiteral("Alerts"), QStringLiteral("Alerts"), &alert_edit);

  import_button = button(QStringLiteral("Import Text File"), QStringLiteral("Import"), this);
  export_button = button(QStringLiteral("Export Text File"), QStringLiteral("Export"), this);
  test_rules_button = button(QStringLiteral("Test Rules"), QStringLiteral("TestRules"), this);
  save_button = button(QStringLiteral("Save && Exit"), QStringLiteral("SaveExit"), this);
  cancel_button = button(QStringLiteral("Cancel"), QStringLiteral("Cancel"), this);
  save_button->setDefault(true);

  auto* top = new QHBoxLayout;
  top->addLayout(account_grid, 3);
  top->addWidget(settings, 2);
  auto* groups = new QHBoxLayout;
  for (const PhraseGroup* g : {&from, &subject, &to, &alerts}) groups->addWidget(g->frame);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(import_button);
  buttons->addWidget(export_button);
  buttons->addWidget(test_rules_button);
  buttons->addStretch();
  buttons->addWidget(save_button);
  buttons->addWidget(cancel_button);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(groups, 1);
  layout->addLayout(buttons);

  connect(filter_option, &QRadioButton::toggled, this, &frm_account::show_gate);
  connect(gate_option, &QRadioButton::toggled, this, &frm_account::gate_chosen);
  for (const PhraseGroup* g : {&from, &subject, &to}) {
    const PhraseGroup group = *g;
    connect(group.add, &QPushButton::clicked, this, [this, group] { add_phrase(group); });
    connect(group.remove, &QPushButton::clicked, this, [this, group] { remove_phrase(group); });
    new PhraseKeyFilter(group.entry, [this, group] { add_phrase(group); });
  }
  connect(alerts.add, &QPushButton::clicked, this, &frm_account::add_alert);
  connect(alerts.remove, &QPushButton::clicked, this, &frm_account::remove_alert);
  connect(alert_edit, &QPushButton::clicked, this, &frm_account::edit_alert);
  connect(alerts.list, &QListWidget::itemDoubleClicked, this, &frm_account::edit_alert);
  new PhraseKeyFilter(alerts.entry, [this] { add_alert(); });
  const PhraseLists lists{from.list, subject.list, to.list};
  connect(import_button, &QPushButton::clicked, this, [this, lists] { import_text_file(lists, this); });
  connect(export_button, &QPushButton::clicked, this,
          [this, lists] { export_text_file(lists, record_.description, this); });
  connect(test_rules_button, &QPushButton::clicked, this, &frm_account::test_rules);
  connect(save_button, &QPushButton::clicked, this, &frm_account::save_and_exit);
  connect(cancel_button, &QPushButton::clicked, this, &QDialog::reject);

  display_data();
}

void frm_account::build_account_boxes(QGridLayout* grid) {
  description_box = account_box(QStringLiteral("Description"), this);
  server_box = account_box(QStringLiteral("Server"), this);
  server_box->setPlaceholderText(QStringLiteral("pop.example.com"));
  server_hint = new QLabel(
      QStringLiteral("For a TLS server (port 995) write pop3s://pop.example.com"), this);
  server_hint->setObjectName(QStringLiteral("ServerHint"));
  server_hint->setForegroundRole(QPalette::PlaceholderText);
  user_id_box = account_box(QStringLiteral("UserId"), this);
  password_box = account_box(QStringLiteral("Password"), this, false);

  const QString captions[] = {QStringLiteral("Account Description:"),
                              QStringLiteral("Email Server:"), QStringLiteral("User ID:"),
                              QStringLiteral("Password:")};
  QLineEdit* boxes[] = {description_box, server_box, user_id_box, password_box};
  int row = 0;
  for (int i = 0; i < 4; ++i) {
    auto* label = new QLabel(captions[i], this);
    label->setBuddy(boxes[i]);
    grid->addWidget(label, row, 0);
    grid->addWidget(boxes[i], row++, 1);
    if (boxes[i] == server_box) grid->addWidget(server_hint, row++, 1);
  }
  sign_in_panel = new SignInPanel(this);
  grid->addWidget(sign_in_panel, row++, 0, 1, 2);
  connect(server_box, &QLineEdit::textChanged, sign_in_panel, &SignInPanel::show_server);
  connect(sign_in_panel, &SignInPanel::server_suggested, this, [this](const QString& server) {
    if (server_box->text().trimmed().isEmpty()) server_box->setText(server);
  });
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(row, 1);
}

QGroupBox* frm_account::build_global_settings() {
  auto* frame = new QGroupBox(QStringLiteral("Global Settings:"), this);
  frame->setObjectName(QStringLiteral("GlobalSettings"));
  filter_option = new QRadioButton(QStringLiteral("Filter"), frame);
  filter_option->setObjectName(QStringLiteral("Filter"));
  QLabel* filter_note = note(QStringLiteral("Deletes the email based on applied filters."), frame);
  gate_option = new QRadioButton(QStringLiteral("Gate"), frame);
  gate_option->setObjectName(QStringLiteral("Gate"));
  QLabel* gate_note =
      note(QStringLiteral("Deletes the email if the email address is NOT in the list."), frame);
  size_check = new QCheckBox(QStringLiteral("Delete any email if = or >:"), frame);
  size_check->setObjectName(QStringLiteral("SizeCheck"));
  size_box = new QLineEdit(QStringLiteral("0"), frame);
  size_box->setObjectName(QStringLiteral("SizeLimit"));
  size_box->setMaximumWidth(size_box->fontMetrics().horizontalAdvance(u'0') * 14);

  auto* size_row = new QHBoxLayout;
  size_row->addWidget(size_check);
  size_row->addWidget(size_box);
  size_row->addWidget(new QLabel(QStringLiteral("bytes."), frame));
  size_row->addStretch();
  auto* layout = new QVBoxLayout(frame);
  layout->addWidget(filter_option);
  layout->addWidget(filter_note);
  layout->addWidget(gate_option);
  layout->addWidget(gate_note);
  layout->addLayout(size_row);
  return frame;
}

PhraseGroup frm_account::build_group(const QString& title, const QString& name,
                                     QPushButton** edit) {
  PhraseGroup g;
  g.frame = new QGroupBox(title, this);
  g.frame->setObjectName(name);
  g.entry = new QLineEdit(g.frame);
  g.entry->setObjectName(name + QStringLiteral("Entry"));
  g.add = button(QStringLiteral("Add"), name + QStringLiteral("Add"), g.frame);
  g.remove = button(QStringLiteral("Remove"), name + QStringLiteral("Remove"), g.frame);
  if (edit) *edit = button(QStringLiteral("Edit"), name + QStringLiteral("Edit"), g.frame);
  g.list = new QListWidget(g.frame);
  g.list->setObjectName(name + QStringLiteral("List"));
  g.list->setMinimumSize(170, 180);

  auto* row = new QHBoxLayout;
  row->addWidget(g.add);
  row->addWidget(g.remove);
  if (edit) row->addWidget(*edit);
  auto* layout = new QVBoxLayout(g.frame);
  layout->addWidget(g.entry);
  layout->addLayout(row);
  layout->addWidget(g.list, 1);
  return g;
}

void frm_account::display_data() {
  displaying_ = true;
  description_box->setText(record_.description);
  server_box->setText(record_.server);
  user_id_box->setText(record_.user_id);
  password_box->setText(record_.password);
  sign_in_panel->load(folder_, record_.description);
  sign_in_panel->show_server(record_.server);
  size_check->setChecked(record_.size_limit_on == 1);
  size_box->setText(QString::number(record_.size_limit));
  (record_.gate_mode == 1 ? gate_option : filter_option)->setChecked(true);
  show_gate(record_.gate_mode != 1);
  fill_sorted(from.list, record_.from_list);
  fill_sorted(subject.list, record_.subject_list);
  fill_sorted(to.list, record_.to_list);
  alerts_ = record_.alerts;
  alerts.list->clear();
  for (const AlertRule& alert : alerts_) alerts.list->addItem(alert.phrase);
  displaying_ = false;
  shown_ = working_record();
}

AccountRecord frm_account::working_record() const {
  AccountRecord r = record_;
  r.description = description_box->text().trimmed();
  r.gate_mode = gate_option->isChecked() ? 1 : 0;
  r.size_limit_on = size_check->isChecked() ? 1 : 0;
  r.size_limit = read_size(size_box->text()).value_or(0);
  r.server = server_box->text().trimmed();
  r.user_id = user_id_box->text().trimmed();
  r.password = password_box->text().trimmed();
  r.from_list = list_entries(from.list);
  r.subject_list = list_entries(subject.list);
  r.to_list = list_entries(to.list);
  r.alerts = alerts_;
  return r;
}

bool frm_account::has_unsaved_changes() const {
  for (const PhraseGroup* g : {&from, &subject, &to, &alerts})
    if (!g->entry->text().trimmed().isEmpty()) return true;
  return working_record() != shown_;
}

void frm_account::reject() {
  if (has_unsaved_changes() && !ask_yes_no(discard_question(), false, this)) return;
  QDialog::reject();
}

void frm_account::gate_chosen(bool on) {
  if (!on || displaying_) return;
  int senders = 0;
  for (const QString& phrase : list_entries(from.list))
    if (!is_blank_phrase(phrase)) ++senders;
  if (!ask_yes_no(gate_question(senders), false, this)) filter_option->setChecked(true);
}

void frm_account::show_gate(bool enab) {
  for (const PhraseGroup* g : {&subject, &to}) {
    g->frame->setEnabled(enab);
    g->list->setEnabled(enab);
    g->entry->setEnabled(enab);
    g->add->setEnabled(enab);
    g->remove->setEnabled(enab);
  }
}

void frm_account::add_phrase(const PhraseGroup& group) {
  // Pasted text is not filtered as it goes in; a quote is still never stored.
  const QString phrase = drop_double_quotes(group.entry->text()).trimmed();
  if (phrase.isEmpty()) return;
  insert_sorted(group.list, phrase);
  group.entry->clear();
}

void frm_account::remove_phrase(const PhraseGroup& group) {
  const QList<QListWidgetItem*> selected = group.list->selectedItems();
  if (!selected.isEmpty()) delete selected.first();
}

void frm_account::add_alert() {
  const QString phrase = drop_double_quotes(alerts.entry->text()).trimmed();
  if (phrase.isEmpty()) return;
  AlertRule alert;
  alert.phrase = phrase;
  alerts_.append(alert);
  alerts.list->addItem(phrase);
  alerts.entry->clear();
}

void frm_account::remove_alert() {
  const QList<QListWidgetItem*> selected = alerts.list->selectedItems();
  if (selected.isEmpty()) return;
  const int row = alerts.list->row(selected.first());
  alerts_.removeAt(row);
  delete selected.first();
}

void frm_account::edit_alert() {
  const QList<QListWidgetItem*> selected = alerts.list->selectedItems();
  if (selected.isEmpty()) return;
  frm_alertconfig dialog(alerts_[alerts.list->row(selected.first())], this);
  dialog.exec();
}

void frm_account::refuse(const QString& message, QWidget* field) {
  show_message(message, this);
  field->setFocus(Qt::OtherFocusReason);
  if (auto* box = qobject_cast<QLineEdit*>(field)) box->selectAll();
}

bool frm_account::validate(const AccountRecord& working) {
  if (working.description.isEmpty()) {
    refuse(kNoDescription, description_box);
    return false;
  }
  if (const QString why = description_refusal(working.description); !why.isEmpty()) {
    refuse(why, description_box);
    return false;
  }
  const std::pair<const QString*, QLineEdit*> required[] = {
      {&working.server, server_box}, {&working.user_id, user_id_box}, {&working.password, password_box}};
  const QString* messages[] = {&kNoServer, &kNoUserId, &kNoPassword};
  // An OAuth2 sign-in needs no password.
  for (int i = 0; i < (sign_in_panel->uses_oauth() ? 2 : 3); ++i) {
    if (required[i].first->isEmpty()) {
      refuse(*messages[i], required[i].second);
      return false;
    }
  }
  if (working.password.contains(u'"')) {
    refuse(password_quote_refusal(), password_box);
    return false;
  }
  if (gate_deletes_everything(working)) {
    refuse(gate_without_senders(), from.entry);
    return false;
  }
  return true;
}

bool frm_account::confirm(const AccountRecord& working) {
  if (working.size_limit_on == 1) {
    const QString question = size_limit_question(size_box->text(), read_size(size_box->text()));
    if (!question.isEmpty() && !ask_yes_no(question, false, this)) {
      size_box->setFocus(Qt::OtherFocusReason);
      size_box->selectAll();
      return false;
    }
  }
  const bool other_name = working.description != opened_name_;
  if (other_name && QFileInfo::exists(account_file_path(folder_, working.description)) &&
      !ask_yes_no(replace_question(working.description), false, this)) {
    description_box->setFocus(Qt::OtherFocusReason);
    return false;
  }
  return true;
}

void frm_account::offer_to_remove_old(const QString& new_name) {
  if (opened_name_.isEmpty() || opened_name_ == new_name) return;
  if (!QFileInfo::exists(account_file_path(folder_, opened_name_))) return;
  if (!ask_yes_no(remove_old_question(opened_name_, new_name), true, this)) return;
  if (!remove_account(folder_, opened_name_)) show_message(kRemoveFailed, this);
  else oauth::remove_grant(folder_, opened_name_);  // the old name's sign-in goes with it
}

void frm_account::test_rules() {
  const AccountRecord working = working_record();
  // A run needs the connection data; the rules are tested as they stand.
  const std::pair<const QString*, QLineEdit*> required[] = {
      {&working.server, server_box}, {&working.user_id, user_id_box}, {&working.password, password_box}};
  const QString* messages[] = {&kNoServer, &kNoUserId, &kNoPassword};
  for (int i = 0; i < 3; ++i) {
    if (required[i].first->isEmpty()) {
      refuse(*messages[i], required[i].second);
      return;
    }
  }
  if (!test_window_) {
    test_window_ = open_test_rules(working, this, folder_, opened_name_);
    return;
  }
  test_window_->run(working, program_settings().server_timeout, folder_, opened_name_);
  test_window_->raise();
  test_window_->activateWindow();
}

void frm_account::save_and_exit() {
  const AccountRecord working = working_record();
  if (!validate(working) || !confirm(working)) return;
  // A failed save keeps the dialog open with everything typed, so nothing is lost.
  if (!save_account(folder_, working.description, working) ||
      !sign_in_panel->commit(folder_, working.description)) {
    show_message(kSaveFailed, this);
    return;
  }
  record_ = working;
  offer_to_remove_old(working.description);
  done(Accepted);
}

bool show_account_dialog(QWidget* parent, std::optional<QString> opened_name) {
  frm_account dialog(account_record(), app_folder(), parent, std::move(opened_name));
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace halvex
