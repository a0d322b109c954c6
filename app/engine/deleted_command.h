// halvex --deleted and halvex --restore ID PATH: the deletion journal and the kept copies
// on the command line.
//
//   --deleted          one line per record, newest first, fields separated by a tab:
//                      id, date (UTC, ISO 8601), account, sender, subject, size, reason.
//                      Mail text is shown on one line with controls escaped.
//   --restore ID PATH  writes the kept copy of record ID byte for byte to PATH (a file, or
//                      a folder where it is named ID.eml) and prints the path written.
//
// Exit status 0 on success; 2 for wrong arguments, an unknown id, a record without a copy
// or a path that cannot be written, with the reason on standard error.
#pragma once

#include <QStringList>

namespace halvex {

inline constexpr int kDeletedOk = 0;
inline constexpr int kDeletedFailed = 2;

// -1 when the arguments ask for neither command; otherwise the exit status.
int deleted_main(int argc, char** argv);

// The two commands over an application folder; output and errors go to the streams given.
int print_deleted(const QString& folder, FILE* out);
int restore_deleted(const QString& folder, const QString& id, const QString& path, FILE* out, FILE* err);

}  // namespace halvex
