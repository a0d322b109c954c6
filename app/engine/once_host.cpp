#include "once_host.h"

#include "desktop_opener.h"

#include "accounts/account_state.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

#include <cstdio>

namespace halvex {

namespace {
constexpr int kOpenOk = 33;
constexpr int kOpenFailed = 0;
}  // namespace

OnceHost::OnceHost() : interactive_(isatty(STDOUT_FILENO) == 1) {
  flush_timer_.setSingleShot(true);
  flush_timer_.setInterval(200);
  QObject::connect(&flush_timer_, &QTimer::timeout, [this] { flush(); });
}

OnceHost::~OnceHost() { flush(); }

// A write for every line would cost a system call per message judged; a file or pipe gets
// the lines in batches instead, never later than the timer. The batch is kept here, not in
// stdio's buffer, so every write holds whole lines and a message on standard error that
// shares the file never lands inside a line.
void OnceHost::status_line_added(const QString& line, bool) {
  pending_ += line.toUtf8();
  pending_ += '\n';
  if (interactive_ || pending_.size() >= kBatchBytes)
    flush();
  else if (!flush_timer_.isActive())
    flush_timer_.start();
}

void OnceHost::flush() {
  flush_timer_.stop();
  if (pending_.isEmpty()) return;
  std::fwrite(pending_.constData(), 1, static_cast<size_t>(pending_.size()), stdout);
  std::fflush(stdout);
  pending_.clear();
}

int OnceHost::account_row_count() const { return static_cast<int>(account_names().size()); }

// Only posted events (the component's calls) can be pending here; running them needs no poll.
void OnceHost::pump_events() { QCoreApplication::sendPostedEvents(); }

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
    ok = open_with_desktop(info.exists() ? info.absoluteFilePath() : target);
  return ok ? kOpenOk : kOpenFailed;
}

}  // namespace halvex
