// replace_string: replaces every occurrence of searchfor in source, scanning from the start and
// going on just after each inserted text, so that inserted text is never scanned again.
#pragma once

#include <QString>

namespace halvex::alert {

// An empty searchfor occurs nowhere: source comes back unchanged.
QString replace_string(const QString& source, const QString& searchfor, const QString& replacewith);

}  // namespace halvex::alert
