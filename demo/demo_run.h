// halvex --demo: a first run that needs no mail account. Copies the built-in sample
// mailbox into a temporary folder, serves it with the demo POP3 server on a free loopback
// port, sets up a temporary application folder and settings file with one demo account,
// and runs Halvex on it: the main window where a display exists, else one headless filter
// cycle with its status log on the terminal. Ends with a short summary. The user's own
// application folder and settings are never read or written.
#pragma once

#include <QStringList>

namespace halvex::demo {

enum class DemoMode { NotDemo, Auto, Terminal, BadArguments };

// "--demo" alone (window when a display exists), "--demo --once" (always the terminal),
// in either order; anything else beside "--demo" is wrong.
DemoMode parse_demo_arguments(const QStringList& arguments);

// For main(): -1 when the command line asks for no demo, else runs it and returns the
// exit status (that of the filter run; 2 for wrong arguments, 1 when it cannot be set up).
int demo_main(int argc, char** argv);

}  // namespace halvex::demo
