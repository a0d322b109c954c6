// "Ask the shell to open T with its default action".
//
// An executable regular file is started as a detached process with no arguments; a
// text with a URL scheme (http:, https:, mailto:, file: ...) is opened as that URL,
// anything else as an existing local path, by the desktop's opener, whose verdict is
// awaited: no program for the target, or a missing file, is a failure. No shell is
// involved. The result follows the old convention: 33 for success, 0 for failure, so
// a result below 32 is a failure.
#pragma once

#include <QString>

namespace halvex {

inline constexpr int kShellOpenOk = 33;
inline constexpr int kShellOpenFailed = 0;

int shell_open(const QString& target);

}  // namespace halvex
