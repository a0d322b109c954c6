// frm_msgbox: the small modal message window, titled "Halvex", with an icon, the text
// of message_text() and one button "&Ok" that closes it.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace halvex {

class frm_msgbox : public QDialog {
  Q_OBJECT

 public:
  // Shows message_text() as it is when the window is created.
  explicit frm_msgbox(QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;        // the message
  QPushButton* Command1 = nullptr;  // "&Ok"
};

// The message as label text: each CR (or CR LF) becomes a line break.
QString message_lines(const QString& text);

}  // namespace halvex
