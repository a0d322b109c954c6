#include "frm_msgbox.h"

#include "message.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace halvex {

QString message_lines(const QString& text) {
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines.replace(u'\r', u'\n');
  return lines;
}

frm_msgbox::frm_msgbox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frm_msgbox"));
  setWindowTitle(QStringLiteral("Halvex"));
  setModal(true);

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("Image1"));
  const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this)
                      .pixmap(extent, extent));
  icon->setAlignment(Qt::AlignTop);

  Label1 = new QLabel(message_lines(message_text()), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextFormat(Qt::PlainText);
  Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);

  Command1 = new QPushButton(QStringLiteral("&Ok"), this);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setDefault(true);
  connect(Command1, &QPushButton::clicked, this, &QDialog::accept);

  auto* text_row = new QHBoxLayout;
  text_row->addWidget(icon);
  text_row->addWidget(Label1, 1);
  auto* button_row = new QHBoxLayout;
  button_row->addStretch();
  button_row->addWidget(Command1);
  button_row->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(text_row);
  layout->addLayout(button_row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace halvex
