#include "demo_run.h"

#include "demo_account.h"
#include "demo_folders.h"
#include "server/demo_server.h"

#include "accounts/account_file.h"
#include "accounts/app_folder.h"
#include "accounts/version.h"
#include "engine/once_runner.h"
#include "ui/frm_main.h"
#include "ui/screen_fit.h"
#include "ui/tray_icon.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace halvex::demo {

namespace {

const QString kDemo = QStringLiteral("--demo");
const QString kOnce = QStringLiteral("--once");

void say(const QString& text) {
  std::fputs(qPrintable(text + u'\n'), stdout);
  std::fflush(stdout);
}

void complain(const QString& text) {
  std::fputs(qPrintable(QStringLiteral("halvex: ") + text + u'\n'), stderr);
}

// A window can be shown: an X or Wayland display, and no platform without one asked for.
bool display_available() {
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if (platform.startsWith("offscreen") || platform.startsWith("minimal")) return false;
  return !qEnvironmentVariableIsEmpty("DISPLAY") ||
         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int run_terminal(int argc, char** argv) {
  // Without a display the alert program cannot show its window: it prints what it would
  // show and closes by itself.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("HALVEX_ALERT_AUTOCLOSE_MS", "500");
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Halvex"));
  return run_once(false);
}

int run_window(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Halvex"));
  QApplication::setApplicationVersion(version_text());
  QApplication::setWindowIcon(program_icon());
  fit_windows_to_screen(app);
  const QString folder = resolve_app_folder();
  if (folder.isEmpty()) {
    complain(QStringLiteral("cannot create the application folder"));
    return 1;
  }
  write_help_page(folder);
  frm_main window;
  window.show_at_start();
  // The user has just asked for the demo: take the focus, so that filtering starts at the
  // window's first activation even on a desktop without a window manager.
  window.raise();
  window.activateWindow();
  return QApplication::exec();
}

}  // namespace

DemoMode parse_demo_arguments(const QStringList& arguments) {
  if (!arguments.contains(kDemo)) return DemoMode::NotDemo;
  if (arguments.size() == 1) return DemoMode::Auto;
  if (arguments.size() == 2 && arguments.count(kDemo) == 1 && arguments.contains(kOnce))
    return DemoMode::Terminal;
  return DemoMode::BadArguments;
}

int demo_main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const DemoMode mode = parse_demo_arguments(arguments);
  if (mode == DemoMode::NotDemo) return -1;
  if (mode == DemoMode::BadArguments) {
    complain(QStringLiteral("wrong arguments; use: halvex --demo [--once]  (see halvex --help)"));
    return kOnceNoAccount;
  }

  DemoFolders folders;
  QString error;
  if (!make_demo_folders(&folders, &error)) {
    complain(error);
    return kOnceFailure;
  }
  const int total = copy_sample_mailbox(folders.mailbox());
  if (total < 0) {
    complain(QStringLiteral("cannot copy the sample mailbox to ") + folders.mailbox());
    return kOnceFailure;
  }

  DemoServerOptions options;
  options.folder = QFile::encodeName(folders.mailbox()).toStdString();
  options.credentials = {kDemoUser, kDemoPassword};
  DemoServer server(options);
  std::string server_error;
  if (!server.start(&server_error)) {
    complain(QStringLiteral("cannot start the demo POP3 server: ") +
             QString::fromStdString(server_error));
    return kOnceFailure;
  }

  use_demo_environment(folders);
  const AccountRecord account = demo_account(server.port());
  if (!save_account(folders.home(), account.description, account)) {
    complain(QStringLiteral("cannot write the demo account to ") + folders.home());
    return kOnceFailure;
  }

  const bool window = mode == DemoMode::Auto && display_available();
  say(QStringLiteral("Halvex demo: %1 sample messages on the demo POP3 server at %2, account %3.")
          .arg(total)
          .arg(account.server, account.description));
  say(window ? QStringLiteral("The main window filters them now; close it to end the demo.")
             : QStringLiteral("One filter cycle follows, its status log line by line."));

  const int status = window ? run_window(argc, argv) : run_terminal(argc, argv);
  server.stop();

  const int kept = count_messages(folders.mailbox());
  say(QString());
  say(QStringLiteral("Demo done: %1 of %2 messages deleted on the server as spam, %3 kept.")
          .arg(total - kept)
          .arg(total)
          .arg(kept));
  say(QStringLiteral("What the server still holds: %1/").arg(folders.mailbox()));
  say(QStringLiteral("The demo account and settings: %1 and %2/ (remove %3 when done).")
          .arg(folders.home() + account.description + QStringLiteral(".dat"), folders.config(),
               folders.base));
  say(QStringLiteral("Your own mailbox: run halvex without --demo and press New to add your "
                     "POP3 account."));
  return status;
}

}  // namespace halvex::demo
