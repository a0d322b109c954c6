#include "shell_open.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace halvex::alert {
namespace {

// "scheme:" with at least two letters, so that a bare path is never taken for a URL.
bool has_url_scheme(const QString& target) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  return scheme.match(target).hasMatch();
}

// The desktop's opener (xdg-open, else "gio open") run on target; its exit status is the
// verdict. One still running after a few seconds waits on the program it started: opened.
bool open_with_desktop(const QString& target) {
  QStringList command;
  if (const QString xdg = QStandardPaths::findExecutable(QStringLiteral("xdg-open")); !xdg.isEmpty())
    command = {xdg};
  else if (const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio")); !gio.isEmpty())
    command = {gio, QStringLiteral("open")};
  else
    return false;
  auto* opener = new QProcess(QCoreApplication::instance());
  opener->setProgram(command.takeFirst());
  opener->setArguments(command << target);
  opener->setStandardInputFile(QProcess::nullDevice());
  opener->setStandardOutputFile(QProcess::nullDevice());
  opener->setStandardErrorFile(QProcess::nullDevice());
  QObject::connect(opener, &QProcess::finished, opener, &QObject::deleteLater);
  opener->start();
  if (!opener->waitForStarted(3000)) {
    delete opener;
    return false;
  }
  if (!opener->waitForFinished(4000)) return true;
  return opener->exitStatus() == QProcess::NormalExit && opener->exitCode() == 0;
}

}  // namespace

int shell_open(const QString& target) {
  if (target.isEmpty()) return shell_open_failed;
  if (has_url_scheme(target)) {
    const QUrl url(target);
    return url.isValid() && open_with_desktop(target) ? shell_open_succeeded : shell_open_failed;
  }
  const QFileInfo info(target);
  if (!info.exists()) return shell_open_failed;
  if (info.isFile() && info.isExecutable()) {
    return QProcess::startDetached(info.absoluteFilePath(), {}) ? shell_open_succeeded
                                                                : shell_open_failed;
  }
  return open_with_desktop(info.absoluteFilePath()) ? shell_open_succeeded : shell_open_failed;
}

}  // namespace halvex::alert
