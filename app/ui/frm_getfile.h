// frm_getfile: the file picker. Its title is message_text() when it is created; when
// it closes, message_text() holds the chosen file's full path, or "EXIT" when it was
// cancelled or closed otherwise. It opens in the remembered folder with no file chosen.
#pragma once

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace halvex {

class PickerLists;

class frm_getfile : public QDialog {
  Q_OBJECT

 public:
  explicit frm_getfile(QWidget* parent = nullptr);

  PickerLists* lists = nullptr;    // drive, folder and file lists
  QLabel* Label1 = nullptr;        // "Look In:"
  QLabel* Label2 = nullptr;        // "Use the file selector to choose a file from your system."
  QPushButton* Command1 = nullptr;  // "&Ok"
  QPushButton* Command2 = nullptr;  // "&Cancel"

  // The full path of the chosen file; empty while none is chosen.
  const QString& chosen_file() const { return chosen_; }

  void done(int result) override;

  // Closes the picker with `path` as the chosen file, as "&Ok" would.
  void choose(const QString& path);

  // A further button at the left of the button row, for a caller's own way to choose.
  QPushButton* add_button(const QString& text);

 private:
  void file_clicked();

  QString chosen_;
  QHBoxLayout* buttons_ = nullptr;
};

// Sets message_text() to `title`, shows the file picker modally and returns
// message_text(): the chosen path or "EXIT".
QString run_file_picker(const QString& title, QWidget* parent = nullptr);

}  // namespace halvex
