// The three lists both pickers show: the drive list (mounted file systems), the folder
// list (the open folder's path from its drive down, and its subfolders) and the file
// list (the visible files of the shown folder).
//
// A click on a folder (or moving to it with the arrow keys) makes it the shown folder;
// a double click or Enter also opens it in the folder list. Choosing a drive shows the
// drive's current folder; a drive that cannot be read brings the lists back to the
// remembered folder. Every change of the shown folder becomes the remembered folder
// and the drive's current folder, and is announced by folder_changed().
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QComboBox;
class QGridLayout;
class QLabel;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace halvex {

class PickerLists : public QObject {
  Q_OBJECT

 public:
  explicit PickerLists(QWidget* owner);

  QComboBox* Drive1 = nullptr;
  QTreeWidget* Dir1 = nullptr;
  QListWidget* File1 = nullptr;

  // The shown folder, without a trailing "/" (except the root "/").
  const QString& shown_folder() const { return shown_; }
  // The folder open in the folder list.
  const QString& open_folder() const { return opened_; }

  // Shows `folder`'s files; with `open` also opens it in the folder list. False, and
  // nothing changes, when the folder cannot be read.
  bool show_folder(const QString& folder, bool open);

  // Shows the remembered folder, or its nearest readable parent when it has gone.
  void show_remembered();

  // Replaces the drive list (the mounted file systems by default).
  void set_drives(const QStringList& drives);

  // The pickers' layout of the lists: `look_in` and the drive list on the first row, the
  // folder list under them, the file list to their right over both rows.
  QGridLayout* make_grid(QLabel* look_in);

 signals:
  // The shown folder changed; `folder` ends in "/".
  void folder_changed(const QString& folder);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void drive_chosen(int index);
  void folder_clicked();
  void folder_opened(QTreeWidgetItem* item);
  void rebuild_folder_list();
  void select_shown_in_folder_list();
  void fill_file_list();
  void select_drive_of_shown();

  QStringList drives_;
  QString shown_;
  QString opened_;
  bool updating_ = false;  // the lists are being filled by the program, not the user
};

}  // namespace halvex
