// frm_account: the account dialog ("Account Configuration"). It shows an account
// record, lets the user change working copies of its fields, phrase lists and alerts,
// and on "Save && Exit" validates them, copies them into the record and saves the
// account file. "Cancel" or closing the window saves nothing.
//
// The From, Subject and To lists keep their entries sorted without regard to case;
// the alerts keep the order in which they were added.
#pragma once

#include "accounts/account_record.h"

#include <QDialog>
#include <QList>
#include <QString>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace halvex {

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
  // outlive the dialog.
  frm_account(AccountRecord& record, const QString& folder, QWidget* parent = nullptr);

  QLineEdit* description_box = nullptr;  // after "Account Description:"
  QLineEdit* server_box = nullptr;       // after "Email Server:"
  QLabel* server_hint = nullptr;         // how to write a TLS server
  QLineEdit* user_id_box = nullptr;      // after "User ID:"
  QLineEdit* password_box = nullptr;     // after "Password:", shown in clear

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
  QPushButton* save_button = nullptr;     // "Save && Exit"
  QPushButton* cancel_button = nullptr;   // "Cancel"

  // The working alerts, row i of the Alerts list being entry i.
  const QList<AlertRule>& working_alerts() const { return alerts_; }

  // Fills every element from the record.
  void display_data();
  // Enables (Filter) or greys out (Gate) the Subject and To groups; entries are kept.
  void show_gate(bool enab);

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
  void save_and_exit();
  void refuse(const QString& message);

  AccountRecord& record_;
  QString folder_;
  QList<AlertRule> alerts_;
};

// Opens the account dialog modally over `parent` for the program's account record
// and saves into the application folder. True when the account was saved. The caller
// resets or loads the record before and refreshes its account list after.
bool show_account_dialog(QWidget* parent = nullptr);

}  // namespace halvex
