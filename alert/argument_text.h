// The alert program's argument text: sender + "<--->" + account + "<///>" + subject, with no
// quoting or escaping. Only the first "<--->" and the first "<///>" split it, so a subject
// that itself holds a marker stays whole.
#pragma once

#include <QString>

#include <optional>

namespace halvex::alert {

struct AlertFields {
  QString sender;
  QString account;
  QString subject;
};

inline constexpr char sender_marker[] = "<--->";
inline constexpr char subject_marker[] = "<///>";

// All program arguments after the program's name, joined by single blanks (the starter passes
// the text as one argument; a hand-typed start may split it at its blanks).
QString join_arguments(int argc, const char* const* argv);

// The three fields, or nothing when the text is unusable: a marker is missing, or the first
// "<///>" begins before the first "<--->" has ended.
std::optional<AlertFields> split_argument_text(const QString& text);

}  // namespace halvex::alert
