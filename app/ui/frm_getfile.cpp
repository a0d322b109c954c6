#include "frm_getfile.h"

#include "message.h"
#include "picker_lists.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace halvex {

frm_getfile::frm_getfile(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_getfile"));
  setWindowTitle(message_text());
  setModal(true);

  Label2 = new QLabel(QStringLiteral("Use the file selector to choose a file from your system."), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label1 = new QLabel(QStringLiteral("Look In:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  lists = new PickerLists(this);
  Label1->setBuddy(lists->Drive1);
  Command1 = new QPushButton(QStringLiteral("&Ok"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command1->setDefault(true);
  Command1->setEnabled(false);

  auto* grid = new QGridLayout;
  grid->addWidget(Label1, 0, 0);
  grid->addWidget(lists->Drive1, 0, 1);
  grid->addWidget(lists->Dir1, 1, 0, 1, 2);
  grid->addWidget(lists->File1, 0, 2, 2, 1);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label2);
  layout->addLayout(grid, 1);
  layout->addLayout(buttons);
  resize(560, 360);

  connect(lists, &PickerLists::folder_changed, this, [this] {
    chosen_.clear();
    Command1->setEnabled(false);
  });
  connect(lists->File1, &QListWidget::itemSelectionChanged, this, &frm_getfile::file_clicked);
  connect(lists->File1, &QListWidget::itemDoubleClicked, this, [this] {
    if (!chosen_.isEmpty()) accept();
  });
  connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Command2, &QPushButton::clicked, this, &QDialog::reject);

  lists->show_remembered();
}

void frm_getfile::file_clicked() {
  const QList<QListWidgetItem*> selected = lists->File1->selectedItems();
  if (selected.isEmpty()) return;
  const QString& folder = lists->shown_folder();
  chosen_ = (folder == u"/" ? folder : folder + u'/') + selected.first()->text();
  Command1->setEnabled(true);
}

void frm_getfile::done(int result) {
  message_text() = result == Accepted && !chosen_.isEmpty() ? chosen_ : QStringLiteral("EXIT");
  QDialog::done(result);
}

QString run_file_picker(const QString& title, QWidget* parent) {
  message_text() = title;
  frm_getfile picker(parent);
  picker.exec();
  return message_text();
}

}  // namespace halvex
