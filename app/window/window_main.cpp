// The window module's entry: --demo, else the main window with its tray icon. Resolves the
// application folder, installs the help page there, and keeps one window per folder.
#include "accounts/app_folder.h"
#include "accounts/instance_lock.h"
#include "accounts/settings.h"
#include "accounts/version.h"
#include "demo/demo_run.h"
#include "ui/frm_main.h"
#include "ui/quit_signals.h"
#include "ui/screen_fit.h"
#include "ui/single_instance.h"
#include "ui/tray_icon.h"
#include "window/window_module.h"

#include <QApplication>
#include <QSessionManager>
#include <cstdio>
#include <type_traits>

extern "C" __attribute__((visibility("default"))) int halvex_window_main(int argc, char** argv) {
  if (const int rc = halvex::demo::demo_main(argc, argv); rc >= 0) return rc;

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Halvex"));
  QApplication::setApplicationVersion(halvex::version_text());
  QApplication::setWindowIcon(halvex::program_icon());
  halvex::fit_windows_to_screen(app);  // every window within the screen, at any scale

  const QString folder = halvex::resolve_app_folder();
  if (folder.isEmpty()) {
    std::fputs("halvex: cannot create the application folder\n", stderr);
    return 1;
  }
  // One window per application folder: a second start brings the first one forward.
  halvex::InstanceLock lock(folder);
  if (!lock.acquire()) {
    if (halvex::bring_running_window_forward(folder)) {
      std::fputs("halvex: Halvex is already running; its window was brought forward\n", stdout);
      return 0;
    }
    std::fprintf(stderr, "halvex: halvex --once is filtering the accounts in %s; start Halvex again when it"
                 " has finished\n", qPrintable(folder));
    return halvex::kAlreadyRunning;
  }
  if (!halvex::write_help_page(folder))
    std::fprintf(stderr, "halvex: cannot write %shelp.htm\n", qPrintable(folder));

  // The window reads the settings when it loads, writes them whenever they change and
  // once more when it closes: at the end of the session and on SIGTERM or SIGINT too.
  halvex::frm_main window;
  halvex::InstanceServer instances;
  QObject::connect(&instances, &halvex::InstanceServer::show_requested, &window, &halvex::frm_main::bring_forward);
  if (!instances.listen(folder)) std::fputs("halvex: a second start cannot find this window\n", stderr);
  halvex::QuitSignals signals_;
  QObject::connect(&signals_, &halvex::QuitSignals::quit_requested, &window, [&window] {
    halvex::save_settings(halvex::program_settings());
    window.close();
  });
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                   [](QSessionManager&) { halvex::save_settings(halvex::program_settings()); });
  QObject::connect(&window, &halvex::frm_main::window_unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  window.show_at_start();
  return QApplication::exec();
}

// The program looks the entry up by name (kWindowMainSymbol) and calls it as a WindowMain.
static_assert(std::is_same_v<decltype(&halvex_window_main), halvex::WindowMain>);
