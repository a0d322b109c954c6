// halvex-alert: shows one alert window for a message that matched an alert of the filter
// application, guarded by a lock file so that the same alert is never shown twice at once.
//
// Test hook: when HALVEX_ALERT_AUTOCLOSE_MS holds a number, the window presses its own "&Close"
// after that many milliseconds, first writing what it shows to standard output (one
// "sender: ", "account: ", "subject: " and "launch: shown|hidden" line each), so that tests
// can run the program to its end without a person.
#include "alert_start.h"
#include "alert_window.h"
#include "app_folder.h"
#include "argument_text.h"
#include "email_client_setting.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

namespace {

using halvex::alert::AlertWindow;

void print_shown(const AlertWindow& window) {
  const QStringList values = window.shown_values();
  const QString report = QLatin1String("sender: ") + values[0] + QLatin1String("\naccount: ") +
                         values[1] + QLatin1String("\nsubject: ") + values[2] +
                         QLatin1String("\nlaunch: ") +
                         QLatin1String(window.launch_offered() ? "shown" : "hidden") +
                         QLatin1Char('\n');
  std::fputs(report.toUtf8().constData(), stdout);
  std::fflush(stdout);
}

void arm_autoclose(AlertWindow& window) {
  bool ok = false;
  const int ms = qEnvironmentVariableIntValue("HALVEX_ALERT_AUTOCLOSE_MS", &ok);
  if (!ok || ms < 0) return;
  QTimer::singleShot(ms, &window, [&window] {
    print_shown(window);
    window.close_alert();
  });
}

}  // namespace

int main(int argc, char** argv) {
  namespace alert = halvex::alert;
  // The argument text is taken before Qt sees anything, and Qt is given no arguments at all:
  // nothing in a sender or subject can become a Qt option.
  const QString argument_text = alert::join_arguments(argc, argv);
  const alert::AlertStart start =
      alert::start_alert(argument_text, alert::application_folder());
  if (start.outcome == alert::StartOutcome::silent_end) return 0;

  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  QApplication app(qt_argc, qt_argv);
  AlertWindow window(start, alert::read_email_client());
  arm_autoclose(window);
  window.show();
  window.raise();
  window.activateWindow();
  return app.exec();
}
