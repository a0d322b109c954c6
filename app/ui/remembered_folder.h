// The pickers' remembered folder: the last folder shown by any file or folder picker,
// kept in the settings file, so the next picker (in this run or a later one) opens where
// the last one was left (a folder that has gone since opens its nearest parent). With
// nothing remembered the pickers open in the user's home folder.
#pragma once

#include <QString>

namespace halvex {

// The remembered folder, with a trailing "/"; the home folder until a picker sets it.
QString remembered_folder();

// Remembers `folder`, adding the trailing "/" when it lacks one; empty forgets it.
void set_remembered_folder(const QString& folder);

// `folder` with a trailing "/" ("/" stays "/"); empty stays empty.
QString with_trailing_slash(const QString& folder);

}  // namespace halvex
