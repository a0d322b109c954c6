#include "message.h"

#include "frm_msgbox.h"

namespace halvex {

QString& message_text() {
  static QString text;
  return text;
}

void show_message(const QString& text, QWidget* parent) {
  message_text() = text;
  frm_msgbox box(parent);
  box.exec();
}

}  // namespace halvex
