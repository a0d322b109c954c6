#include "shell_open.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace halvex::alert {
namespace {

// "scheme:" with at least two letters, so that a bare path is never taken for a URL.
bool has_url_scheme(const QString& target) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
  return scheme.match(target).hasMatch();
}

}  // namespace

int shell_open(const QString& target) {
  if (target.isEmpty()) return shell_open_failed;
  if (has_url_scheme(target)) {
    const QUrl url(target);
    return url.isValid() && QDesktopServices::openUrl(url) ? shell_open_succeeded
                                                           : shell_open_failed;
  }
  const QFileInfo info(target);
  if (!info.exists()) return shell_open_failed;
  if (info.isFile() && info.isExecutable()) {
    return QProcess::startDetached(info.absoluteFilePath(), {}) ? shell_open_succeeded
                                                                : shell_open_failed;
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))
             ? shell_open_succeeded
             : shell_open_failed;
}

}  // namespace halvex::alert
