#include "desktop_opener.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>

namespace halvex {
namespace {

constexpr int kStartMs = 3000;

// The opener and its leading arguments; empty when neither is installed.
QStringList opener_command() {
  const QString xdg_open = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (!xdg_open.isEmpty()) return {xdg_open};
  const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
  if (!gio.isEmpty()) return {gio, QStringLiteral("open")};
  return {};
}

}  // namespace

bool open_with_desktop(const QString& target) {
  QStringList command = opener_command();
  if (target.isEmpty() || command.isEmpty()) return false;
  // Owned by the application, so an opener that outlives the wait keeps running; it
  // deletes itself when it ends.
  auto* opener = new QProcess(QCoreApplication::instance());
  opener->setProgram(command.takeFirst());
  opener->setArguments(command << target);
  opener->setStandardInputFile(QProcess::nullDevice());
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
  opener->start();
  if (!opener->waitForStarted(kStartMs)) {
    delete opener;
    return false;
  }
  if (!opener->waitForFinished(kOpenerVerdictMs)) return true;
  return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
}

}  // namespace halvex
