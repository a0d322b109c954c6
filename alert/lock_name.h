// The name and path of an alert's lock file. The name comes from the sender and the subject;
// the path is the application folder + the lower-cased name + ".lck". Only the name is
// lower-cased: file names are case-sensitive here, and the folder must stay as it is.
#pragma once

#include <QString>

namespace halvex::alert {

// Sender and subject, each without leading and trailing blanks, joined by "_", with each of
// ! @ # $ % ^ & * ( ) < > ? , : ; [ ] { } | \ / = + - . " replaced by "_", in that order.
QString lock_name(const QString& sender, const QString& subject);

// folder (a "/" is added when it does not end in one) + lower-cased name + ".lck". A name too
// long for a file name keeps its start and gains a digest of the whole name instead.
QString lock_path(const QString& folder, const QString& name);

}  // namespace halvex::alert
