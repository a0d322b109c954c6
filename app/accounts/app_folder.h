// The application folder: where the account files, the alert lock files and the help
// page live. It is $HALVEX_HOME when set and not empty, else $XDG_DATA_HOME/halvex/
// (by default ~/.local/share/halvex/), always kept with a trailing "/".
#pragma once

#include <QString>

namespace halvex {

// Resolves the folder, creates it when missing (readable by the user alone, mode 0700), remembers it for app_folder() and puts
// it into this process's environment as HALVEX_HOME, so that programs started from
// here (the alert program) resolve the same folder. Empty when it cannot be created.
QString resolve_app_folder();

// The folder found by the last resolve_app_folder(); empty before.
const QString& app_folder();

// Copies `source` (by default the built-in help page) to `folder` + "help.htm" when that file
// is missing, or when it is a page an earlier version wrote and nobody edited since (its
// SHA-256 is listed in `history`), so an update brings its help along. An edited page is kept.
// True when a help page is there afterwards.
bool write_help_page(const QString& folder, const QString& source = QStringLiteral(":/help.htm"),
                     const QString& history = QStringLiteral(":/help_history.txt"));

}  // namespace halvex
