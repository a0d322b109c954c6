#include "frm_getfile.h"

#include "message.h"
#include "picker_lists.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
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
  buttons_ = buttons;
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label2);
  layout->addLayout(grid, 1);
  layout->addLayout(buttons);
  resize(560, 360);
  lists->restore_layout(this, QStringLiteral("file_picker"));

  connect(lists, &PickerLists::folder_changed, this, [this] {
    chosen_.clear();
    Command1->setEnabled(false);
  });
  // A typed or pasted path of a file chooses it; Enter on it also closes the picker.
  connect(lists->Path1, &QLineEdit::textEdited, this, [this](const QString& text) {
    const QFileInfo typed(lists->resolve_typed_path(text));
    chosen_ = typed.isFile() ? typed.absoluteFilePath() : QString();
    Command1->setEnabled(!chosen_.isEmpty());
  });
  connect(lists, &PickerLists::file_entered, this, &frm_getfile::choose);
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

void frm_getfile::choose(const QString& path) {
  chosen_ = path;
  Command1->setEnabled(true);
  accept();
}

QPushButton* frm_getfile::add_button(const QString& text) {
  auto* button = new QPushButton(text, this);
  button->setAutoDefault(false);
  buttons_->insertWidget(0, button);
  return button;
}

void frm_getfile::done(int result) {
  lists->store_layout(this, QStringLiteral("file_picker"));
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
