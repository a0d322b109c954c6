#include "picker_state.h"

#include "accounts/settings.h"

#include <QSettings>

namespace halvex {
namespace {

QString key(const char* name) { return QStringLiteral("Pickers/") + QLatin1String(name); }
QString key(const QString& kind, const char* name) {
  return QStringLiteral("Pickers/") + kind + u'_' + QLatin1String(name);
}

}  // namespace

QString stored_picker_folder() {
  const QSettings store(settings_file_path(), QSettings::IniFormat);
  return store.value(key("folder")).toString();
}

void store_picker_folder(const QString& folder) {
  QSettings store(settings_file_path(), QSettings::IniFormat);
  if (folder.isEmpty())
    store.remove(key("folder"));
  else
    store.setValue(key("folder"), folder);
}

bool stored_show_hidden() {
  const QSettings store(settings_file_path(), QSettings::IniFormat);
  return store.value(key("show_hidden")).toString() == u"1";
}

void store_show_hidden(bool show) {
  QSettings store(settings_file_path(), QSettings::IniFormat);
  store.setValue(key("show_hidden"), show ? QStringLiteral("1") : QStringLiteral("0"));
}

QSize stored_picker_size(const QString& kind) {
  const QSettings store(settings_file_path(), QSettings::IniFormat);
  const QStringList parts = store.value(key(kind, "size")).toString().split(u'x');
  if (parts.size() != 2) return {};
  const QSize size(parts[0].toInt(), parts[1].toInt());
  return size.width() > 0 && size.height() > 0 ? size : QSize();
}

QList<int> stored_picker_columns(const QString& kind) {
  const QSettings store(settings_file_path(), QSettings::IniFormat);
  QList<int> widths;
  for (const QString& part : store.value(key(kind, "columns")).toString().split(u',', Qt::SkipEmptyParts)) {
    bool ok = false;
    const int width = part.toInt(&ok);
    if (!ok || width < 0) return {};
    widths << width;
  }
  return widths;
}

void store_picker_layout(const QString& kind, QSize size, const QList<int>& columns) {
  QSettings store(settings_file_path(), QSettings::IniFormat);
  store.setValue(key(kind, "size"),
                 QString::number(size.width()) + u'x' + QString::number(size.height()));
  QStringList widths;
  for (const int width : columns) widths << QString::number(width);
  store.setValue(key(kind, "columns"), widths.join(u','));
}

}  // namespace halvex
