#include "email_client_setting.h"

#include <QSettings>

namespace halvex::alert {

QString read_email_client() {
  const QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                           QStringLiteral("Tarnell Halvex"));
  return settings.value(QStringLiteral("Options/email_client")).toString();
}

}  // namespace halvex::alert
