// Starting Halvex when the user logs in: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/halvex.desktop, that runs this program. Whether the window
// then opens or goes straight to the tray is the "Start up minimized" setting's affair.
#pragma once

#include <QString>

namespace halvex {

QString autostart_entry_path();

// True when the entry exists and is not switched off (Hidden=true).
bool autostart_enabled();

// Writes the entry running `program`, or removes it. False when that failed.
bool set_autostart(bool enabled, const QString& program);

// `program` as the Exec key of a desktop entry: quoted, with the characters the
// format reserves escaped.
QString desktop_exec_value(const QString& program);

}  // namespace halvex
