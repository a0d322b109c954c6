// The program's message window and the one program-wide text it shows.
//
// `message_text` also carries the title into and the result out of the header
// chooser and the file and folder pickers ("EXIT" or "0" = cancelled).
#pragma once

#include <QString>

class QWidget;

namespace halvex {

QString& message_text();

// Puts `text` into message_text() and shows it in the modal message window; returns
// when the user closes the window. A CR in the text starts a new line.
void show_message(const QString& text, QWidget* parent = nullptr);

}  // namespace halvex
