// frm_getfolder: the folder picker. Its title is message_text() when it is created;
// when it closes, message_text() holds the shown folder with a trailing "/", or
// "EXIT" when it was cancelled or closed otherwise. It opens in the remembered folder;
// its file list is for orientation only. "New &Folder" creates a folder in the shown
// folder and shows it.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace halvex {

class PickerLists;

class frm_getfolder : public QDialog {
  Q_OBJECT

 public:
  explicit frm_getfolder(QWidget* parent = nullptr);

  PickerLists* lists = nullptr;     // drive, folder and file lists
  QLabel* Label1 = nullptr;         // "Look In:"
  QLabel* Label2 = nullptr;         // the shown folder's path
  QPushButton* Command1 = nullptr;  // "&Ok"
  QPushButton* Command2 = nullptr;  // "&Cancel"
  QPushButton* Command3 = nullptr;  // "New &Folder"

  void done(int result) override;

 private:
  void new_folder();
};

// Sets message_text() to `title`, shows the folder picker modally and returns
// message_text(): the chosen folder (ending in "/") or "EXIT".
QString run_folder_picker(const QString& title, QWidget* parent = nullptr);

}  // namespace halvex
