// A yes/no question box titled "Halvex", for choices that could cost the user mail or
// typing. A CR in the text starts a new line; `yes_default` picks the button that Enter
// presses. Escape and closing the box answer No.
#pragma once

#include <QString>

class QWidget;

namespace halvex {

bool ask_yes_no(const QString& text, bool yes_default, QWidget* parent = nullptr);

}  // namespace halvex
