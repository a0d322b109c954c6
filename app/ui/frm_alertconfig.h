// frm_alertconfig: the alert settings dialog ("Email Alert Settings") for one alert
// of the account dialog's working list. It shows the alert's phrase and edits its
// action, target and delete_after; "&Ok" writes them back into that alert (the
// account file changes only when the account dialog saves), any other way of closing
// leaves the alert as it was.
#pragma once

#include "accounts/account_record.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace halvex {

class frm_alertconfig : public QDialog {
  Q_OBJECT

 public:
  // Edits `alert`, which must outlive the dialog.
  explicit frm_alertconfig(AlertRule& alert, QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;         // the fixed explanation
  QLabel* Label2 = nullptr;         // the alert's phrase
  QRadioButton* Option1 = nullptr;  // "Display an alert box on your desktop." (action 0)
  QRadioButton* Option2 = nullptr;  // "Execute a file or link from your computer." (action 1)
  QLabel* Label3 = nullptr;         // how to give the target
  QLineEdit* Text1 = nullptr;       // the target
  QPushButton* Command1 = nullptr;  // "..." the file button
  QCheckBox* Check1 = nullptr;      // delete the message after the alert
  QPushButton* Command2 = nullptr;  // "&Ok"

 private:
  void enable_target(bool enable);
  void choose_file();
  void write_back();

  AlertRule& alert_;
};

}  // namespace halvex
