#include "once_host.h"

#include "accounts/account_state.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace halvex {

namespace {
constexpr int kOpenOk = 33;
constexpr int kOpenFailed = 0;
}  // namespace

void OnceHost::status_line_added(const QString& line, bool) {
  const QByteArray bytes = line.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

int OnceHost::account_row_count() const { return static_cast<int>(account_names().size()); }

void OnceHost::pump_events() { QCoreApplication::processEvents(); }

void OnceHost::wait_for_events() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

bool OnceHost::start_process(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

int OnceHost::open_target(const QString& target) {
  if (target.isEmpty()) return kOpenFailed;
  const QFileInfo info(target);
  bool ok;
  if (info.isFile() && info.isExecutable())
    ok = QProcess::startDetached(info.absoluteFilePath(), {});
  else
    ok = QProcess::startDetached(QStringLiteral("xdg-open"), {target});
  return ok ? kOpenOk : kOpenFailed;
}

}  // namespace halvex
