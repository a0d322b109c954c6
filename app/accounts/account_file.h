// Account files in a folder: one file per account, named by its description + ".dat".
//
// Every operation takes the folder explicitly (with or without a trailing "/"); the
// program's own folder and record are bound in account_state.h.
#pragma once

#include "account_record.h"

#include <QString>
#include <QStringList>

namespace halvex {

// False for a name that cannot be a file name: empty, ".", "..", or holding "/" or NUL.
bool valid_account_name(const QString& name);

// The file of account `name` in `folder`: an existing file whose name is `name` + "."
// + "dat" in any letter case (HOME.DAT serves the account HOME), else `name` + ".dat".
// Empty when the folder is empty or the name is not valid.
QString account_file_path(const QString& folder, const QString& name);

// True if the file exists and is longer than 1 byte.
bool account_file_ok(const QString& path);

// Fills `record` from the account file of `name`. On any failure (missing, empty or
// 1-byte file, unreadable, truncated, malformed) returns false and leaves `record`
// unchanged. The description is the one stored in the file.
bool load_account(const QString& folder, const QString& name, AccountRecord& record);

// Writes `record` as the account file of `name`, readable by the owner only (mode
// 0600). The new content goes to a temporary file in the same folder that replaces
// the old file only once complete, so a failed save leaves the old file intact.
// False for an invalid name, a string holding a double quote, or any write failure.
bool save_account(const QString& folder, const QString& name, const AccountRecord& record);

// The account names of `folder` in the order the file system lists them: every
// ordinary, non-hidden file whose name ends in ".dat" (any case), less that ending.
// Folders, hidden files and a bare ".dat" are never listed.
QStringList get_accounts(const QString& folder);

// Deletes the account file of `name`; false when it cannot be deleted.
bool remove_account(const QString& folder, const QString& name);

}  // namespace halvex
