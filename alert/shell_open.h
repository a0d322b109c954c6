// Opening a target the way a desktop shell does with its default action: an executable regular
// file is started detached with no arguments; anything else goes to the desktop's opener
// (xdg-open, else gio open), as a URL when it has a scheme and as a local path otherwise, and
// the opener's exit status tells whether a program took it. No shell is involved at any point.
#pragma once

#include <QString>

namespace halvex::alert {

// A result below 32 is a failure.
inline constexpr int shell_open_succeeded = 33;
inline constexpr int shell_open_failed = 0;

int shell_open(const QString& target);

}  // namespace halvex::alert
