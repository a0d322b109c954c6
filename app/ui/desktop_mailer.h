// The desktop's default mail program: the application that handles "mailto:" links, as the
// desktop reports it (xdg-mime query default x-scheme-handler/mailto, else the
// [Default Applications] of the mimeapps.list files), resolved through its desktop entry's
// Exec line to the program's full path. The e-mail client box can take it, so "Launch
// Email Client" starts the same program the desktop uses for mail.
#pragma once

#include <QString>

namespace halvex {

// The desktop entry's file name, e.g. "org.example.Mail.desktop"; empty when none is set.
QString default_mailto_entry();

// The program that a desktop entry's Exec line starts, as a full path; empty when the entry
// cannot be found or its program is not installed.
QString program_of_desktop_entry(const QString& entry_name);

// Both in one: the default mail program's full path, or empty.
QString desktop_mail_program();

}  // namespace halvex
