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
  Command1 = new QPushButton(QStringLiteral("&Ok"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command1->setDefault(true);
  Command1->setEnabled(false);

  QGridLayout* grid = lists->make_grid(Label1);
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
