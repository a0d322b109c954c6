// frm_selectimport: the header chooser. Its title is message_text() when it is
// created; when it closes, message_text() holds "1", "2" or "3" for the list chosen
// (From, Subject, To), or "0" after "&Cancel" (or Escape). Closing the window by its
// title bar leaves the selected choice, as "&Ok" does.
#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

namespace halvex {

class frm_selectimport : public QDialog {
  Q_OBJECT

 public:
  explicit frm_selectimport(QWidget* parent = nullptr);

  QRadioButton* Option1 = nullptr;  // "From", selected on opening
  QRadioButton* Option2 = nullptr;  // "Subject"
  QRadioButton* Option3 = nullptr;  // "To"
  QPushButton* Command1 = nullptr;  // "&Ok"
  QPushButton* Command2 = nullptr;  // "&Cancel"

  // "1", "2" or "3" for the selected option.
  QString choice() const;

  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool cancelled_ = false;
};

// Sets message_text() to `title`, shows the chooser modally and returns
// message_text(): "1", "2", "3" or "0".
QString run_header_chooser(const QString& title, QWidget* parent = nullptr);

}  // namespace halvex
