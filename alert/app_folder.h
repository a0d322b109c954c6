// The application folder, where the filter application keeps its account files and the alert
// program its lock files: $HALVEX_HOME when set and not empty, else $XDG_DATA_HOME/halvex/
// (~/.local/share/halvex/), always with a trailing "/".
#pragma once

#include <QString>

namespace halvex::alert {

// Empty when no folder can be named at all (no HALVEX_HOME and no home folder).
QString application_folder();

}  // namespace halvex::alert
