// Phrase list text files: one phrase per line, no quoting, no header. Written as
// UTF-8 with CR LF; read as UTF-8 (bytes that are not UTF-8 as Windows-1252), with
// lines ended by CR LF, a lone CR or a lone LF, and a last line without an ending.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace halvex {

// The lines of file text. A line ending at the very end adds no empty last line; a
// leading byte order mark is not part of the first line.
QStringList split_phrase_lines(const QString& text);

// The lines of the file, or nothing when it cannot be opened or read (or is far
// larger than any phrase list).
std::optional<QStringList> read_phrase_file(const QString& path);

// Creates or replaces the file with one entry per line. The old file stays intact
// when the write fails.
bool write_phrase_file(const QString& path, const QStringList& entries);

// The export file of one list: `folder` (with a trailing "/") + `description` +
// "_From_List.txt", "_Subject_List.txt" or "_To_List.txt" for the choice "1", "2" or
// "3"; empty for any other choice.
QString export_file_name(const QString& folder, const QString& description,
                         const QString& choice);

}  // namespace halvex
