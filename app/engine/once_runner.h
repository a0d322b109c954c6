// The headless run: halvex --once [--dry-run]. Reads the settings from the store, runs one
// filter cycle over every account of the application folder exactly as the start command
// would, prints each status line to standard output as it is logged, and ends.
#pragma once

#include <QStringList>

namespace halvex {

enum OnceExit {
  kOnceOk = 0,          // every account filtered without a failure of the cycle
  kOnceFailure = 1,     // a load, login, count, header, size, delete or logout failure
  kOnceNoAccount = 2,   // no account, or wrong arguments
};

enum class OnceMode { NotOnce, Once, DryRun, BadArguments };

// What the command line asks for: "--once" alone, "--once --dry-run" in either order;
// "--dry-run" without "--once", a repeated or an unknown argument beside "--once" is wrong.
OnceMode parse_once_arguments(const QStringList& arguments);

// Runs one cycle under the running QCoreApplication; returns the exit status.
int run_once(bool dry_run);

// The whole headless mode for main(): -1 when the command line is no --once run,
// otherwise creates the core application, runs, and returns the exit status.
int once_main(int argc, char** argv);

}  // namespace halvex
