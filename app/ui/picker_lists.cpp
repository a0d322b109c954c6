#include "picker_lists.h"

#include "drive_list.h"
#include "message.h"
#include "picker_state.h"
#include "remembered_folder.h"
#include "screen_fit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>

namespace halvex {

namespace {

constexpr int kPathRole = Qt::UserRole;

// The folder list always shows the path open, so it draws no expand or collapse arrows.
class FolderTree : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;

 protected:
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
};

QString clean_folder(const QString& folder) {
  return QDir::cleanPath(QDir(folder).absolutePath());
}

bool readable_folder(const QString& folder) {
  const QFileInfo info(folder);
  return info.isDir() && info.isReadable() && info.isExecutable();
}

QString parent_of(const QString& folder) {
  if (folder == u"/") return folder;
  const qsizetype slash = folder.lastIndexOf(u'/');
  return slash <= 0 ? QStringLiteral("/") : folder.left(slash);
}

QString child_path(const QString& folder, const QString& name) {
  return folder == u"/" ? folder + name : folder + u'/' + name;
}

// The folders from `drive` down to `folder`, both included.
QStringList folder_chain(const QString& drive, const QString& folder) {
  QStringList chain;
  for (QString f = folder;; f = parent_of(f)) {
    chain.prepend(f);
    if (f == drive || f == u"/") break;
  }
  return chain;
}

}  // namespace

PickerLists::PickerLists(QWidget* owner) : QObject(owner) {
  Drive1 = new QComboBox(owner);
  Drive1->setObjectName(QStringLiteral("Drive1"));
  // A long mount point must not widen the whole picker; the open list shows it whole.
  Drive1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  Drive1->setMinimumContentsLength(6);
  Dir1 = new FolderTree(owner);
  Dir1->setObjectName(QStringLiteral("Dir1"));
  Dir1->setHeaderHidden(true);
  Dir1->setRootIsDecorated(false);
  Dir1->setItemsExpandable(false);
  Dir1->setExpandsOnDoubleClick(false);
  Dir1->setIndentation(14);
  Dir1->installEventFilter(this);
  // Whole names: the folder column grows with its longest name and scrolls sideways.
  Dir1->header()->setStretchLastSection(false);
  Dir1->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  Dir1->setTextElideMode(Qt::ElideNone);
  File1 = new QListWidget(owner);
  File1->setObjectName(QStringLiteral("File1"));
  File1->setTextElideMode(Qt::ElideNone);
  Path1 = new QLineEdit(owner);
  Path1->setObjectName(QStringLiteral("Path1"));
  Path1->setClearButtonEnabled(true);
  Path1->setToolTip(QStringLiteral("Type or paste a folder or file path and press Enter."));
  Path1->installEventFilter(this);
  Hidden1 = new QCheckBox(QStringLiteral("Show &hidden files and folders"), owner);
  Hidden1->setObjectName(QStringLiteral("Hidden1"));
  Hidden1->setChecked(stored_show_hidden());
  connect(Hidden1, &QCheckBox::toggled, this, &PickerLists::hidden_toggled);

  connect(Drive1, &QComboBox::activated, this, &PickerLists::drive_chosen);
  connect(Dir1, &QTreeWidget::itemSelectionChanged, this, &PickerLists::folder_clicked);
  connect(Dir1, &QTreeWidget::itemDoubleClicked, this, &PickerLists::folder_opened);
  set_drives(mounted_drives());
}

void PickerLists::set_drives(const QStringList& drives) {
  drives_ = drives;
  updating_ = true;
  Drive1->clear();
  Drive1->addItems(drives_);
  updating_ = false;
  select_drive_of_shown();
}

bool PickerLists::show_folder(const QString& folder, bool open) {
  const QString target = clean_folder(folder);
  if (!readable_folder(target)) return false;
  shown_ = target;
  if (open || opened_.isEmpty()) {
    opened_ = target;
    rebuild_folder_list();
  } else {
    select_shown_in_folder_list();
  }
  fill_file_list();
  select_drive_of_shown();
  Path1->setText(shown_);
  set_remembered_folder(shown_);
  set_drive_current_folder(drive_of(shown_, drives_), shown_);
  emit folder_changed(with_trailing_slash(shown_));
  return true;
}

void PickerLists::show_remembered() {
  QString folder = clean_folder(remembered_folder());
  while (!show_folder(folder, true)) {
    if (folder == u"/") return;
    folder = parent_of(folder);
  }
}

void PickerLists::drive_chosen(int index) {
  if (updating_ || index < 0 || index >= drives_.size()) return;
  const QString drive = drives_[index];
  if (show_folder(drive_current_folder(drive), true)) return;
  if (show_folder(drive, true)) return;
  // The drive cannot be read: back to where the pickers were, without a message.
  if (!show_folder(remembered_folder(), true)) select_drive_of_shown();
}

void PickerLists::folder_clicked() {
  if (updating_) return;
  const QList<QTreeWidgetItem*> selected = Dir1->selectedItems();
  if (selected.isEmpty()) return;
  const QString folder = selected.first()->data(0, kPathRole).toString();
  if (folder != shown_ && !show_folder(folder, false)) select_shown_in_folder_list();
}

void PickerLists::folder_opened(QTreeWidgetItem* item) {
  if (!item) return;
  if (!show_folder(item->data(0, kPathRole).toString(), true)) select_shown_in_folder_list();
}

bool PickerLists::eventFilter(QObject* watched, QEvent* event) {
  // Enter opens the current folder, or goes to the typed path, and is not passed on to the
  // dialog's default button.
  if ((watched == Dir1 || watched == Path1) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == Dir1)
        folder_opened(Dir1->currentItem());
      else
        go_to_typed_path();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

void PickerLists::rebuild_folder_list() {
  updating_ = true;
  Dir1->clear();
  QStyle* style = Dir1->style();
  const QIcon open_icon = style->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed_icon = style->standardIcon(QStyle::SP_DirClosedIcon);

  QTreeWidgetItem* parent = nullptr;
  const QString drive = drive_of(opened_, drives_);
  for (const QString& folder : folder_chain(drive, opened_)) {
    const QString name = parent ? QFileInfo(folder).fileName() : folder;
    auto* item = parent ? new QTreeWidgetItem(parent, {name}) : new QTreeWidgetItem(Dir1, {name});
    item->setData(0, kPathRole, folder);
    item->setIcon(0, open_icon);
    item->setExpanded(true);
    parent = item;
  }
  const QStringList subfolders = QDir(opened_).entryList(
      QDir::Dirs | QDir::NoDotAndDotDot | hidden_filter(), QDir::Name | QDir::IgnoreCase);
  for (const QString& name : subfolders) {
    auto* item = new QTreeWidgetItem(parent, {name});
    item->setToolTip(0, name);
    item->setData(0, kPathRole, child_path(opened_, name));
    item->setIcon(0, closed_icon);
  }
  if (parent) parent->setExpanded(true);
  updating_ = false;
  select_shown_in_folder_list();
}

void PickerLists::select_shown_in_folder_list() {
  updating_ = true;
  QTreeWidgetItem* found = nullptr;
  for (QTreeWidgetItemIterator it(Dir1); *it && !found; ++it)
    if ((*it)->data(0, kPathRole).toString() == shown_) found = *it;
  if (found) {
    Dir1->setCurrentItem(found);
    Dir1->scrollToItem(found);
  } else {
    Dir1->clearSelection();
  }
  updating_ = false;
}

void PickerLists::fill_file_list() {
  File1->clear();
  const QIcon file_icon = File1->style()->standardIcon(QStyle::SP_FileIcon);
  const QStringList files =
      QDir(shown_).entryList(QDir::Files | hidden_filter(), QDir::Name | QDir::IgnoreCase);
  for (const QString& name : files) (new QListWidgetItem(file_icon, name, File1))->setToolTip(name);
}

void PickerLists::select_drive_of_shown() {
  if (shown_.isEmpty()) return;
  updating_ = true;
  Drive1->setCurrentIndex(static_cast<int>(drives_.indexOf(drive_of(shown_, drives_))));
  updating_ = false;
}

QGridLayout* PickerLists::make_grid(QLabel* look_in) {
  look_in->setBuddy(Drive1);
  auto* folders = new QWidget;
  auto* left = new QGridLayout(folders);
  left->setContentsMargins(0, 0, 0, 0);
  left->addWidget(look_in, 0, 0);
  left->addWidget(Drive1, 0, 1);
  left->addWidget(Dir1, 1, 0, 1, 2);
  left->setColumnStretch(1, 1);
  left->setRowStretch(1, 1);
  columns_ = new QSplitter(Qt::Horizontal);
  columns_->setObjectName(QStringLiteral("columns"));
  columns_->setChildrenCollapsible(false);
  columns_->addWidget(folders);
  columns_->addWidget(File1);
  auto* path_label = new QLabel(QStringLiteral("&Path:"));
  path_label->setBuddy(Path1);
  auto* grid = new QGridLayout;
  grid->addWidget(columns_, 0, 0, 1, 3);
  grid->addWidget(path_label, 1, 0);
  grid->addWidget(Path1, 1, 1);
  grid->addWidget(Hidden1, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(0, 1);
  return grid;
}

bool PickerLists::showing_hidden() const { return Hidden1->isChecked(); }

QDir::Filters PickerLists::hidden_filter() const {
  return showing_hidden() ? QDir::Hidden : QDir::Filters();
}

void PickerLists::hidden_toggled(bool show) {
  store_show_hidden(show);
  if (shown_.isEmpty()) return;
  rebuild_folder_list();
  fill_file_list();
}

QString PickerLists::resolve_typed_path(const QString& text) const {
  QString path = text.trimmed();
  if (path.isEmpty()) return {};
  if (path == u"~" || path.startsWith(u"~/")) path = QDir::homePath() + path.mid(1);
  if (path.startsWith(u"file://")) path = QUrl(path).toLocalFile();
  if (QDir::isRelativePath(path)) path = QDir(shown_.isEmpty() ? QDir::homePath() : shown_).filePath(path);
  return QDir::cleanPath(path);
}

bool PickerLists::go_to_typed_path() {
  const QString path = resolve_typed_path(Path1->text());
  if (path.isEmpty()) return false;
  const QFileInfo info(path);
  if (info.isDir() && show_folder(path, true)) return true;
  if (info.isFile() && show_folder(info.absolutePath(), true)) {
    const QList<QListWidgetItem*> found = File1->findItems(info.fileName(), Qt::MatchExactly);
    if (!found.isEmpty()) File1->setCurrentItem(found.first());
    Path1->setText(path);
    emit file_entered(path);
    return true;
  }
  show_message(QStringLiteral("No such folder or file:") + u'\r' + path,
               qobject_cast<QWidget*>(parent()));
  return false;
}

void PickerLists::restore_layout(QDialog* picker, const QString& kind) {
  const QSize size = stored_picker_size(kind);
  if (size.isValid()) picker->resize(size);
  const QList<int> widths = stored_picker_columns(kind);
  if (columns_ && widths.size() == columns_->count()) columns_->setSizes(widths);
  fit_to_screen(picker);
}

void PickerLists::store_layout(QDialog* picker, const QString& kind) const {
  store_picker_layout(kind, picker->size(), columns_ ? columns_->sizes() : QList<int>());
}

}  // namespace halvex
