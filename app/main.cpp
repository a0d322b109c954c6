// halvex: the filter application. --once runs one filter cycle without a window, --deleted
// and --restore answer from the quarantine; the main window and --demo live in the window
// module, loaded only for them.
#include "accounts/app_folder.h"
#include "accounts/instance_lock.h"
#include "accounts/version.h"
#include "engine/deleted_command.h"
#include "engine/once_runner.h"
#include "window/window_module.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kUsage[] =
    "Usage: halvex [--help] [--version] [--once [--dry-run]] [--demo [--once]]\n"
    "              [--deleted] [--restore ID PATH]\n"
    "\n"
    "Halvex watches POP3 mailboxes and deletes spam on the server before your e-mail\n"
    "client downloads it.\n"
    "\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n"
    "  --once     filter every account once without a window, print the status log\n"
    "             and exit: 0 all filtered, 1 a failure, 2 no account or bad arguments,\n"
    "             3 another Halvex filters the same accounts\n"
    "  --dry-run  with --once: judge and log every message, delete nothing, start and\n"
    "             open nothing\n"
    "  --deleted  print the deletion journal, newest first, one line per deleted\n"
    "             message: id, date, account, sender, subject, size, reason (tabs between)\n"
    "  --restore ID PATH\n"
    "             write the kept copy of deleted message ID byte for byte to PATH (a\n"
    "             file, or a folder where it is named ID.eml) and print the path; exit 2\n"
    "             for an unknown id or a path that cannot be written\n"
    "  --demo     try Halvex on a built-in sample mailbox served on a loopback port,\n"
    "             in temporary folders (your accounts and settings stay untouched):\n"
    "             the main window where a display exists, else the --once output\n"
    "\n"
    "Deletions on a POP3 server are final: before each one Halvex keeps a copy of the\n"
    "whole message (the quarantine, 30 days), listed by --deleted, given back by --restore.\n"
    "\n"
    "Accounts live in $HALVEX_HOME, else $XDG_DATA_HOME/halvex/ (~/.local/share/halvex/);\n"
    "settings in $XDG_CONFIG_HOME/Tarnell Halvex.ini (~/.config/Tarnell Halvex.ini).\n";

// Every option of the program. Options of Qt's own (below) are taken as well.
constexpr const char* kProgramOptions[] = {"--help", "-h", "--version", "--once", "--dry-run", "--demo", "--deleted"};
// Qt's options that take a value (the session manager restarts a program with -session).
constexpr const char* kQtValueOptions[] = {"-platform", "-platformpluginpath", "-platformtheme", "-plugin",
                                           "-display", "-session", "-style", "-stylesheet", "-geometry",
                                           "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-name", "-title"};
constexpr const char* kQtFlagOptions[] = {"-reverse", "-widgetcount", "-sync", "-nograb", "-dograb"};

template <std::size_t N>
bool listed(const char* arg, const char* const (&list)[N]) {
  for (const char* option : list)
    if (std::strcmp(arg, option) == 0) return true;
  return false;
}

// The first argument that is no option of the program nor of Qt; null when all are.
const char* unknown_argument(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (listed(argv[i], kProgramOptions) || listed(argv[i], kQtFlagOptions)) continue;
    if (std::strcmp(argv[i], "--restore") == 0) {  // --restore ID PATH; its own checks judge the two
      i += 2;
      continue;
    }
    if (listed(argv[i], kQtValueOptions) && i + 1 < argc) {
      ++i;
      continue;
    }
    return argv[i];
  }
  return nullptr;
}

bool asks_for(int argc, char** argv, const char* option) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

// Answers --help and --version without starting the window system. -1: go on.
int info_option(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("halvex %s\n", qPrintable(halvex::version_text()));
      return 0;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int rc = info_option(argc, argv); rc >= 0) return rc;
  if (const char* unknown = unknown_argument(argc, argv)) {
    std::fprintf(stderr, "halvex: unknown option %s\n\n", unknown);
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (asks_for(argc, argv, "--demo")) return halvex::run_window_module(argc, argv);
  if (asks_for(argc, argv, "--once") || asks_for(argc, argv, "--dry-run")) {
    // One filter per application folder: no --once beside a window or another --once.
    const QString folder = halvex::resolve_app_folder();
    halvex::InstanceLock lock(folder);
    if (!folder.isEmpty() && !lock.acquire()) {
      std::fprintf(stderr, "halvex: another Halvex (a window or halvex --once) is filtering the accounts in %s;"
                   " not started\n", qPrintable(folder));
      return halvex::kAlreadyRunning;
    }
    return halvex::once_main(argc, argv);
  }
  if (const int rc = halvex::deleted_main(argc, argv); rc >= 0) return rc;

  return halvex::run_window_module(argc, argv);
}
