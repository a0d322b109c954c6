// Opening a URL or a local file with the desktop's opener (xdg-open, else "gio open") and
// waiting for its verdict. Asking the desktop to open something and being told only that a
// launcher started says nothing: the opener itself fails when no program takes the target.
// So the opener runs as a child whose exit status is read; one that is still running after
// a few seconds has handed the target to a program that it waits on, which counts as opened.
#pragma once

#include <QString>

namespace halvex {

// How long the opener gets to give its verdict.
inline constexpr int kOpenerVerdictMs = 4000;

// `target`: a URL with its scheme, or a local path. False when no opener is installed, it
// cannot start, or it ends with a failure (no program for the target, a missing file).
bool open_with_desktop(const QString& target);

}  // namespace halvex
