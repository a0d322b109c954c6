#include "quarantine/quarantine.h"
#include "once_runner.h"

#include "engine_state.h"
#include "filter_cycle.h"
#include "filter_switch.h"
#include "once_host.h"
#include "popmain_sink.h"
#include "qt_apartment_pump.h"
#include "session_link.h"
#include "status_log.h"

#include "accounts/account_state.h"
#include "accounts/app_folder.h"
#include "accounts/settings.h"

#include "frame/com_ptr.h"
#include "frame/exports.h"
#include "frame/ipopmain.h"
#include "frame/ipopmsg.h"

#include <QCoreApplication>

#include <cstdio>

namespace halvex {

namespace {

const QString kOnce = QStringLiteral("--once");
const QString kDryRun = QStringLiteral("--dry-run");

void complain(const char* text, const QString& detail = {}) {
  std::fprintf(stderr, "halvex: %s%s\n", text, qPrintable(detail));
}

}  // namespace

OnceMode parse_once_arguments(const QStringList& arguments) {
  int once = 0;
  int dry = 0;
  int other = 0;
  for (const QString& a : arguments) {
    if (a == kOnce) ++once;
    else if (a == kDryRun) ++dry;
    else ++other;
  }
  if (once == 0 && dry == 0) return OnceMode::NotOnce;
  if (once != 1 || dry > 1 || other != 0) return OnceMode::BadArguments;
  return dry == 1 ? OnceMode::DryRun : OnceMode::Once;
}

int run_once(bool dry_run) {
  const QString folder = resolve_app_folder();
  if (folder.isEmpty()) {
    complain("cannot create the application folder");
    return kOnceFailure;
  }
  program_settings() = load_settings();
  if (get_accounts().isEmpty()) {
    complain("no account in ", folder);
    return kOnceNoAccount;
  }

  QtApartmentPump pump;  // before subscribing: events come to this thread
  velmo::ComPtr<IPOPMAIN> popmain;
  velmo::ComPtr<IPOPMSG> popmsg;
  if (FAILED(VelmoCreateInstance(u"Velmo.POPMAIN", IPOPMAIN::iid, popmain.put_void())) ||
      FAILED(VelmoCreateInstance(u"Velmo.POPMSG", IPOPMSG::iid, popmsg.put_void()))) {
    complain("cannot create the mail component's objects");
    return kOnceFailure;
  }
  popmain->put_Asynchronous(1);

  OnceHost host;
  FilterState state;
  StatusLog log(host);
  SessionLink link(host, popmain.get(), popmsg.get());
  EventSubscription subscription(popmain.get(), &link);
  if (!subscription.connected()) {
    complain("cannot subscribe to the mail component's events");
    return kOnceFailure;
  }
  CycleOptions options;
  options.program_folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
  options.dry_run = dry_run;
  Quarantine quarantine(load_quarantine_settings(), folder);
  options.quarantine = &quarantine;
  // "cpu" adds the CPU time spent in the waits, at two more system calls a wait.
  const bool wait_stats = qEnvironmentVariableIsSet("HALVEX_WAIT_STATS");
  const bool wait_cpu = qEnvironmentVariable("HALVEX_WAIT_STATS") == QLatin1String("cpu");
  if (wait_cpu) link.measure_waits();
  FilterCycle cycle(host, state, log, link, options);
  FilterSwitch(host, state, log, cycle).command9_click();
  host.flush();  // the status lines before anything more on standard error
  if (wait_stats) {
    const SessionLink::WaitTotals& t = link.wait_totals();
    std::fprintf(stderr, "halvex: %lld waits, %.3f s waiting", static_cast<long long>(t.waits), t.wall_seconds);
    if (wait_cpu) std::fprintf(stderr, ", %.4f s cpu while waiting", t.cpu_seconds);
    std::fputc('\n', stderr);
  }
  return state.cycle_failures == 0 ? kOnceOk : kOnceFailure;
}

int once_main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  const OnceMode mode = parse_once_arguments(arguments);
  if (mode == OnceMode::NotOnce) return -1;
  if (mode == OnceMode::BadArguments) {
    complain("wrong arguments; use: halvex --once [--dry-run]  (see halvex --help)");
    return kOnceNoAccount;
  }
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Halvex"));
  return run_once(mode == OnceMode::DryRun);
}

}  // namespace halvex
