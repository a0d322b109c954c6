// Reads the e-mail client that the filter application stores: key "email_client" of group
// "Options" in the per-user INI store of "Tarnell Halvex" ($XDG_CONFIG_HOME/Tarnell Halvex.ini).
// The alert program only reads it, never writes.
#pragma once

#include <QString>

namespace halvex::alert {

// The configured path, or empty when none is set.
QString read_email_client();

}  // namespace halvex::alert
