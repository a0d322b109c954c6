#include "frm_selectimport.h"

#include "message.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace halvex {

frm_selectimport::frm_selectimport(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_selectimport"));
  setWindowTitle(message_text());
  setModal(true);

  Option1 = new QRadioButton(QStringLiteral("From"), this);
  Option1->setObjectName(QStringLiteral("Option1"));
  Option2 = new QRadioButton(QStringLiteral("Subject"), this);
  Option2->setObjectName(QStringLiteral("Option2"));
  Option3 = new QRadioButton(QStringLiteral("To"), this);
  Option3->setObjectName(QStringLiteral("Option3"));
  Option1->setChecked(true);
  Command1 = new QPushButton(QStringLiteral("&Ok"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command2 = new QPushButton(QStringLiteral("&Cancel"), this);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command1->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Command1);
  buttons->addWidget(Command2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Option1);
  layout->addWidget(Option2);
  layout->addWidget(Option3);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  // Wide enough for the whole title in the title bar.
  setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 120);

  connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Command2, &QPushButton::clicked, this, [this] {
    cancelled_ = true;
    reject();
  });
}

QString frm_selectimport::choice() const {
  if (Option2->isChecked()) return QStringLiteral("2");
  if (Option3->isChecked()) return QStringLiteral("3");
  return QStringLiteral("1");
}

void frm_selectimport::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Command2->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

void frm_selectimport::done(int result) {
  message_text() = cancelled_ ? QStringLiteral("0") : choice();
  QDialog::done(result);
}

QString run_header_chooser(const QString& title, QWidget* parent) {
  message_text() = title;
  frm_selectimport chooser(parent);
  chooser.exec();
  return message_text();
}

}  // namespace halvex
