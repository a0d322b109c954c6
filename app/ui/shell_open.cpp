#include "shell_open.h"

#include "engine/desktop_opener.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

namespace halvex {

namespace {

bool has_url_scheme(const QString& target) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
  return scheme.match(target).hasMatch();
}

}  // namespace

int shell_open(const QString& target) {
  if (target.isEmpty()) return kShellOpenFailed;
  const QFileInfo info(target);
  bool ok = false;
  if (info.isFile() && info.isExecutable())
    ok = QProcess::startDetached(info.absoluteFilePath(), {});
  else if (has_url_scheme(target))
    ok = QUrl(target).isValid() && open_with_desktop(target);
  else
    ok = info.exists() && open_with_desktop(info.absoluteFilePath());
  return ok ? kShellOpenOk : kShellOpenFailed;
}

}  // namespace halvex
