// Mail text shown on one line, safely: a sender or subject never breaks a log line, never
// reaches a terminal as an escape sequence and never reorders the text around it.
#pragma once

#include <QString>

namespace halvex {

inline constexpr qsizetype kOneLineMaxChars = 200;

// `text` with every control character written as a visible escape: "\t", "\r", "\n",
// "\e" for ESC and "\xHH" for the other C0 and C1 controls and DEL; a backslash is doubled,
// so the result reads back unambiguously. Line and paragraph separators and the
// bidirectional controls become "\u{HHHH}". Longer than `max_chars` characters, the text
// is cut there and ends in "...".
QString one_line_text(const QString& text, qsizetype max_chars = kOneLineMaxChars);

}  // namespace halvex
