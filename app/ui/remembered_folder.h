// The pickers' remembered folder: the last folder shown by any file or folder picker
// in this run of the program, so the next picker opens where the last one was left.
#pragma once

#include <QString>

namespace halvex {

// The remembered folder, with a trailing "/"; the application folder until a picker
// (or the main window at load) sets it.
QString remembered_folder();

// Remembers `folder`, adding the trailing "/" when it lacks one.
void set_remembered_folder(const QString& folder);

// `folder` with a trailing "/" ("/" stays "/"); empty stays empty.
QString with_trailing_slash(const QString& folder);

}  // namespace halvex
