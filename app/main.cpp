// halvex: the filter application. Resolves the application folder, installs the help
// page there, and runs the main window; --once runs one filter cycle without a window.
#include "accounts/app_folder.h"
#include "accounts/version.h"
#include "demo/demo_run.h"
#include "engine/deleted_command.h"
#include "engine/once_runner.h"
#include "ui/frm_main.h"
#include "ui/tray_icon.h"

#include <QApplication>
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
    "             and exit: 0 all filtered, 1 a failure, 2 no account or bad arguments\n"
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
    "Accounts live in $HALVEX_HOME, else $XDG_DATA_HOME/halvex/ (~/.local/share/halvex/);\n"
    "settings in $XDG_CONFIG_HOME/Tarnell Halvex.ini (~/.config/Tarnell Halvex.ini).\n";

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
  if (const int rc = halvex::demo::demo_main(argc, argv); rc >= 0) return rc;
  if (const int rc = halvex::once_main(argc, argv); rc >= 0) return rc;
  if (const int rc = halvex::deleted_main(argc, argv); rc >= 0) return rc;

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Halvex"));
  QApplication::setApplicationVersion(halvex::version_text());
  QApplication::setWindowIcon(halvex::program_icon());

  const QString folder = halvex::resolve_app_folder();
  if (folder.isEmpty()) {
    std::fputs("halvex: cannot create the application folder\n", stderr);
    return 1;
  }
  if (!halvex::write_help_page(folder))
    std::fprintf(stderr, "halvex: cannot write %shelp.htm\n", qPrintable(folder));

  // The window reads the settings when it loads and writes them back when it closes.
  halvex::frm_main window;
  window.show_at_start();
  return QApplication::exec();
}
