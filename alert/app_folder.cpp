#include "app_folder.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace halvex::alert {

QString application_folder() {
  QString folder = qEnvironmentVariable("HALVEX_HOME");
  if (folder.isEmpty()) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return {};
    folder = data + QLatin1String("/halvex");
  }
  folder = QFileInfo(folder).absoluteFilePath();
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  return folder;
}

}  // namespace halvex::alert
