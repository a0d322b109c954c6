// frm_account: the account dialog ("Account Configuration"). It shows an account
// record, lets the user change working copies of its fields, phrase lists and alerts,
// and on "Save && Exit" validates them, copies them into the record and saves the
// account file. "Cancel" or closing the window saves nothing.
//
// Guards against slips: choosing Gate asks first; a gate-mode account with no sender on
// its From list is refused; a size limit below 1 KB, or text that is not a size, asks;
// saving over another existing account asks; after a rename it asks whether to remove
// the old account; a password with a double quote is refused. A refusal or a failed
// save keeps the dialog open with everything typed and puts the focus on the field at
// fault. Cancel, Escape or closing with unsaved changes asks before discarding them.
// "Test Rules" shows what the rules as they stand would do to the waiting mail.
//
// The From, Subject and To lists keep their entries sorted without regard to case;
// the alerts keep the order in which they were added.
#pragma once

#include "accounts/account_record.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <optional>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace halvex {
class SignInPanel;
}

namespace halvex {

class TestRulesWindow;

// One group of the dialog: a frame with an entry box, "Add", "Remove" and a list.
struct PhraseGroup {
  QGroupBox* frame = nullptr;
  QLineEdit* entry = nullptr;
  QPushButton* add = nullptr;
  QPushButton* remove = nullptr;
  QListWidget* list = nullptr;
};

class frm_account : public QDialog {
  Q_OBJECT

 public:
  // Shows `record`, which "Save && Exit" updates and saves into `folder`; both must
  // outlive the dialog. `opened_name` is the account file the record came from (empty
  // for a new account); by default the record's description.
  frm_account(AccountRecord& record, const QString& folder, QWidget* parent = nullptr,
              std::optional<QString> opened_name = std::nullopt);

  QLineEdit* description_box = nullptr;  // after "Account Description:"
  QLineEdit* server_box = nullptr;       // after "Email Server:"
  QLabel* server_hint = nullptr;         // how to write a TLS server
  QLineEdit* user_id_box = nullptr;      // after "User ID:"
  QLineEdit* password_box = nullptr;     // after "Password:", shown in clear
  SignInPanel* sign_in_panel = nullptr;  // connection kind, "Sign in…" (OAuth2)

  QRadioButton* filter_option = nullptr;  // "Filter" (gate_mode 0)
  QRadioButton* gate_option = nullptr;    // "Gate" (gate_mode 1)
  QCheckBox* size_check = nullptr;        // "Delete any email if = or >:"
  QLineEdit* size_box = nullptr;          // the size limit, followed by "bytes."

  PhraseGroup from;
  PhraseGroup subject;
  PhraseGroup to;
  PhraseGroup alerts;                     // its list shows the alert phrases
  QPushButton* alert_edit = nullptr;      // "Edit" of the Alerts group

  QPushButton* import_button = nullptr;   // "Import Text File"
  QPushButton* export_button = nullptr;   // "Export Text File"
  QPushButton* test_rules_button = nullptr;  // "Test Rules": a dry run of the rules as shown
  QPushButton* save_button = nullptr;     // "Save && Exit"
  QPushButton* cancel_button = nullptr;   // "Cancel"

  // The working alerts, row i of the Alerts list being entry i.
  const QList<AlertRule>& working_alerts() const { return alerts_; }

  // Fills every element from the record.
  void display_data();
  // Enables (Filter) or greys out (Gate) the Subject and To groups; entries are kept.
  void show_gate(bool enab);

  // The account as the dialog shows it now, saved or not: the boxes trimmed, the size
  // read as a size (0 when it is not one), the lists in their displayed order.
  AccountRecord working_record() const;
  // True when the dialog holds anything that "Save && Exit" has not saved: a changed
  // field, list or alert, or text typed into an entry box and not added.
  bool has_unsaved_changes() const;

 public slots:
  // Cancel, Escape and closing the window: asks first when changes would be lost.
  void reject() override;

 private:
  void build_account_boxes(QGridLayout* grid);
  QGroupBox* build_global_settings();
  // With `edit`, the group also gets an "Edit" button, handed back there.
  PhraseGroup build_group(const QString& title, const QString& name,
                          QPushButton** edit = nullptr);
  void add_phrase(const PhraseGroup& group);
  void remove_phrase(const PhraseGroup& group);
  void add_alert();
  void remove_alert();
  void edit_alert();
  void gate_chosen(bool on);
  // Runs the rules as they stand, saved or not, over the mail waiting on the server.
  void test_rules();
  void save_and_exit();
  // False (after the message) when the account cannot be saved as it stands.
  bool validate(const AccountRecord& working);
  // False when the user does not confirm a choice that deletes more than it may seem.
  bool confirm(const AccountRecord& working);
  void offer_to_remove_old(const QString& new_name);
  void refuse(const QString& message, QWidget* field);

  AccountRecord& record_;
  QString folder_;
  QString opened_name_;     // the account file the dialog was opened for; empty if new
  AccountRecord shown_;     // working_record() as display_data left it
  QList<AlertRule> alerts_;
  bool displaying_ = false; // display_data is setting the elements
  QPointer<TestRulesWindow> test_window_;
};

// Opens the account dialog modally over `parent` for the program's account record
// and saves into the application folder. True when the account was saved. The caller
// resets or loads the record before and refreshes its account list after.
// `opened_name` names the account file Edit loaded (empty for New).
bool show_account_dialog(QWidget* parent = nullptr, std::optional<QString> opened_name = std::nullopt);

}  // namespace halvex
