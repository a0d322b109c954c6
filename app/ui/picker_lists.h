// The three lists both pickers show: the drive list (mounted file systems), the folder
// list (the open folder's path from its drive down, and its subfolders) and the file
// list (the visible files of the shown folder).
//
// A click on a folder (or moving to it with the arrow keys) makes it the shown folder;
// a double click or Enter also opens it in the folder list. Choosing a drive shows the
// drive's current folder; a drive that cannot be read brings the lists back to the
// remembered folder. Every change of the shown folder becomes the remembered folder
// and the drive's current folder, and is announced by folder_changed().
//
// Beside the lists: a path box that shows the shown folder and takes a typed or pasted
// path (Enter goes there; a file's path shows its folder and announces the file), a
// "Show hidden files and folders" box (remembered), and the folder and file columns side
// by side in a splitter whose widths, like the picker's size, are remembered per picker.
// Names are never cut short: a column too narrow scrolls.
#pragma once

#include <QDir>
#include <QObject>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QDialog;
class QGridLayout;
class QLabel;
class QLineEdit;
class QSplitter;
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
  QLineEdit* Path1 = nullptr;   // the shown folder; takes a typed path
  QCheckBox* Hidden1 = nullptr;  // "Show hidden files and folders"

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
  // folder list under them, the file list to their right over both rows (the two sides in
  // a splitter); the path box and the hidden box below.
  QGridLayout* make_grid(QLabel* look_in);

  // Goes to the path typed into the path box: "~" is the home folder, a relative path
  // starts at the shown folder. A folder is shown and opened; a file's folder is shown
  // and file_entered() announced. False, with a message, when nothing is there.
  bool go_to_typed_path();

  // The absolute, clean form of a typed path (see go_to_typed_path).
  QString resolve_typed_path(const QString& text) const;

  // The picker's size and column widths: restored from the settings (held within the
  // screen) and stored when it closes.
  void restore_layout(QDialog* picker, const QString& kind);
  void store_layout(QDialog* picker, const QString& kind) const;

  bool showing_hidden() const;

 signals:
  // The shown folder changed; `folder` ends in "/".
  void folder_changed(const QString& folder);
  // A file's path was typed into the path box and Enter pressed.
  void file_entered(const QString& path);

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
  void hidden_toggled(bool show);
  QDir::Filters hidden_filter() const;

  QSplitter* columns_ = nullptr;
  QStringList drives_;
  QString shown_;
  QString opened_;
  bool updating_ = false;  // the lists are being filled by the program, not the user
};

}  // namespace halvex
