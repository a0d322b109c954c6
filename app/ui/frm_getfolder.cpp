#include "frm_getfolder.h"

#include "message.h"
#include "picker_lists.h"
#include "remembered_folder.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace halvex {

frm_getfolder::frm_getfolder(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_getfolder"));
  setWindowTitle(message_text());
  setModal(true);

  Label1 = new QLabel(QStringLiteral("Look In:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  lists = new PickerLists(this);
  lists->File1->setSelectionMode(QAbstractItemView::NoSelection);
  lists->File1->setFocusPolicy(Qt::NoFocus);
  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setTextFormat(Qt::PlainText);
  Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Label2->setWordWrap(true);
  Command1 = new QPushButton(QStringLiteral("&Ok"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command3 = new QPushButton(QStringLiteral("New &Folder"), this);
  Command3->setObjectName(QStringLiteral("Command3"));
  Command1->setDefault(true);
  Command3->setAutoDefault(false);
  // Tab follows the button row from left to right.
  QWidget::setTabOrder(lists->Dir1, Command3);
  QWidget::setTabOrder(Command3, Command1);
  QWidget::setTabOrder(Command1, Command2);

  QGridLayout* grid = lists->make_grid(Label1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Command3);
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid, 1);
  layout->addWidget(Label2);
  layout->addLayout(buttons);
  resize(560, 360);
  lists->restore_layout(this, QStringLiteral("folder_picker"));

  connect(lists, &PickerLists::folder_changed, this, [this] {
    Label2->setText(lists->shown_folder());
  });
  connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Command2, &QPushButton::clicked, this, &QDialog::reject);
  connect(Command3, &QPushButton::clicked, this, &frm_getfolder::new_folder);

  lists->show_remembered();
}

void frm_getfolder::new_folder() {
  bool answered = false;
  const QString name = QInputDialog::getText(
                           this, QStringLiteral("Create new folder"),
                           QStringLiteral("Please enter a name for the new folder:"),
                           QLineEdit::Normal, QStringLiteral("New Folder"), &answered)
                           .trimmed();
  if (!answered || name.isEmpty()) return;
  const QString folder = remembered_folder() + name;
  // One new folder inside the shown one: a name holding "/" is no such folder.
  if (name.contains(u'/') || !QDir().mkdir(folder) || !lists->show_folder(folder, true))
    show_message(QStringLiteral("Error trying to create folder!"), this);
}

void frm_getfolder::done(int result) {
  lists->store_layout(this, QStringLiteral("folder_picker"));
  // "&Ok" with a folder typed into the path box but not yet gone to takes that folder.
  if (result == Accepted) {
    const QString typed = lists->resolve_typed_path(lists->Path1->text());
    if (!typed.isEmpty() && typed != lists->shown_folder() && QFileInfo(typed).isDir())
      lists->show_folder(typed, true);
  }
  message_text() = result == Accepted && !lists->shown_folder().isEmpty()
                       ? with_trailing_slash(lists->shown_folder())
                       : QStringLiteral("EXIT");
  QDialog::done(result);
}

QString run_folder_picker(const QString& title, QWidget* parent) {
  message_text() = title;
  frm_getfolder picker(parent);
  picker.exec();
  return message_text();
}

}  // namespace halvex
