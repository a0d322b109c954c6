#include "question.h"

#include "frm_msgbox.h"

#include <QMessageBox>

namespace halvex {

bool ask_yes_no(const QString& text, bool yes_default, QWidget* parent) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Halvex"), message_lines(text),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setObjectName(QStringLiteral("question"));
  box.setDefaultButton(yes_default ? QMessageBox::Yes : QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace halvex
