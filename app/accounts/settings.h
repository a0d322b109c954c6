// The four program-wide settings and their store.
//
// The store is the INI file "$XDG_CONFIG_HOME/Tarnell Halvex.ini" (by default
// ~/.config/Tarnell Halvex.ini), group "Options", every value a string. The alert
// program reads "email_client" from the same file. The settings are read once when
// the main window loads and written back once when it unloads.
#pragma once

#include <QString>

namespace halvex {

inline constexpr qint32 kDefaultServerTimeout = 120;  // seconds
inline constexpr qint32 kDefaultFilterMinutes = 5;

struct ProgramSettings {
  qint32 server_timeout = kDefaultServerTimeout;
  qint32 filter_minutes = kDefaultFilterMinutes;
  qint32 startup_minimized = 0;  // 0 or 1
  QString email_client;          // a program's path; empty when none chosen
  // Beside the four: 0 turns pipelined header scans off for servers that misbehave.
  // Read from "pop3_pipelining" (default 1); only set in the file by hand, never written.
  qint32 pop3_pipelining = 1;

  friend bool operator==(const ProgramSettings&, const ProgramSettings&) = default;
};

// The in-memory settings in force while the program runs.
ProgramSettings& program_settings();

// The path of the settings file.
QString settings_file_path();

// Reads "server_timeout", "filter_minutes", "startup_minimized" and "email_client",
// in that order, then "pop3_pipelining". An absent key, or a number key whose value does
// not begin with a number, gives the key's default. Values are used as stored, except a
// timeout beyond kMaxServerTimeout, which is held at it.
ProgramSettings load_settings();

// Writes the four keys in the same order, the numbers as decimal text.
void save_settings(const ProgramSettings& settings);

// The quarantine's settings, in the same group: "quarantine" (1 on, 0 off; default 1),
// "quarantine_days" (retention in days; default 30) and "quarantine_max_bytes" (the size
// cap: a larger message keeps its header only; default 10 MB). An absent or unreadable
// value gives the default; days below 1 count as 1, a cap below 0 as 0.
inline constexpr qint32 kDefaultQuarantineDays = 30;
inline constexpr qint32 kDefaultQuarantineMaxBytes = 10 * 1024 * 1024;

struct QuarantineSettings {
  qint32 on = 1;
  qint32 days = kDefaultQuarantineDays;
  qint32 max_bytes = kDefaultQuarantineMaxBytes;

  friend bool operator==(const QuarantineSettings&, const QuarantineSettings&) = default;
};

QuarantineSettings load_quarantine_settings();
void save_quarantine_settings(const QuarantineSettings& settings);
// Writes the settings when they differ from what this program last read or wrote; the
// main window calls it whenever a setting changes.
void save_settings_if_changed(const ProgramSettings& settings);

// The longest timeout the session can hold, in seconds (its milliseconds fit 32 bits
// without sign). Longer ones, typed or stored, are held at it instead of wrapping.
inline constexpr qint32 kMaxServerTimeout = 4294967;

// Entry checks of the main window's settings boxes; each returns the new value, which
// the window stores and shows again.
qint32 filter_minutes_entry(const QString& text);  // Text1: the number, held to 1..60
qint32 server_timeout_entry(const QString& text);  // Text2: the number, 30..kMaxServerTimeout
qint32 startup_minimized_entry(bool ticked);       // Check1: 1 ticked, 0 clear

}  // namespace halvex
