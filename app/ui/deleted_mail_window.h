// The "Deleted Mail" window: every message the filter deleted whose record is still in
// the deletion journal, newest first, with a search box and an account filter. On the
// selected rows: Open (the kept copy with the desktop's program for e-mail files), Save
// As... (the copy byte for byte), Delete for Good (the copy goes, the record leaves the
// list) and Stop Deleting Mail Like This (after a confirmation that names the change, the
// account's rule is changed: a phrase leaves its list, a gated sender joins the From list).
// The table is sortable by any column; everything is reachable with the keyboard.
#pragma once

#include "quarantine/journal_format.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace halvex {

class Quarantine;

// Column order of the table.
enum DeletedMailColumn { kColDate, kColAccount, kColSender, kColSubject, kColSize, kColReason, kColCount };

class DeletedMailWindow : public QDialog {
  Q_OBJECT

 public:
  // `folder`: the application folder (journal and account files); the copies are found
  // through the component's message store.
  explicit DeletedMailWindow(const QString& folder, QWidget* parent = nullptr);
  ~DeletedMailWindow() override;

  // Reads the journal again and refills the table.
  void reload();

  // Picks where Save As writes: a file for one row, a folder for several. Tests replace it;
  // an empty answer cancels.
  std::function<QString(const QString& suggested, bool folder)> choose_save_path;
  // Opens a file with the desktop's default program; a result below 32 is a failure.
  std::function<int(const QString& path)> open_file;

  QLineEdit* search = nullptr;
  QComboBox* account_filter = nullptr;
  QTableView* table = nullptr;
  QPushButton* open_button = nullptr;
  QPushButton* save_button = nullptr;
  QPushButton* forget_button = nullptr;
  QPushButton* stop_rule_button = nullptr;
  QPushButton* close_button = nullptr;

  // The records of the selected rows, in table order.
  QList<DeletionRecord> selected_records() const;
  // Rows shown now (after search and filter).
  int shown_rows() const;

  void open_selected();
  void save_selected();
  void forget_selected();
  void stop_rule_selected();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void build();
  void update_buttons();
  void fill_accounts();

  QString folder_;
  std::unique_ptr<Quarantine> quarantine_;
  QList<DeletionRecord> records_;
  QStandardItemModel* model_ = nullptr;
  QSortFilterProxyModel* proxy_ = nullptr;
};

// Shows the one Deleted Mail window of the program over the application folder `folder`
// (made on first use, read afresh otherwise), raised and active. Enter opens the selected
// messages, Delete deletes their copies for good.
void show_deleted_mail_window(QWidget* parent, const QString& folder);

}  // namespace halvex
