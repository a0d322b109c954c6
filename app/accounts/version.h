// The program's version, major.minor.revision, from the build's project version.
#pragma once

#include <QString>

#ifndef HALVEX_VERSION_MAJOR
#error "HALVEX_VERSION_MAJOR/MINOR/PATCH come from the build (halvex_accounts)"
#endif

namespace halvex {

inline constexpr int kVersionMajor = HALVEX_VERSION_MAJOR;
inline constexpr int kVersionMinor = HALVEX_VERSION_MINOR;
inline constexpr int kVersionRevision = HALVEX_VERSION_PATCH;

// "1.0.0": the three numbers in decimal, separated by ".".
inline QString version_text() {
  return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

}  // namespace halvex
