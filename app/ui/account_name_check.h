// Whether an account description can name its account file.
//
// The file is the application folder + description + ".dat", and the account list
// shows only visible files, so a description must be a plain file name that does not
// begin with "." and leaves room for the ending and the save's temporary name.
#pragma once

#include <QString>

namespace halvex {

// Empty when `description` (already trimmed, not empty) can name an account file;
// otherwise the message that tells the user why not.
QString description_refusal(const QString& description);

}  // namespace halvex
