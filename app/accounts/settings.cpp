#include "settings.h"

#include "number_text.h"

#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

namespace halvex {

namespace {

const QString kServerTimeout = QStringLiteral("server_timeout");
const QString kFilterMinutes = QStringLiteral("filter_minutes");
const QString kStartupMinimized = QStringLiteral("startup_minimized");
const QString kEmailClient = QStringLiteral("email_client");
const QString kPipelining = QStringLiteral("pop3_pipelining");

const QString kQuarantine = QStringLiteral("quarantine");
const QString kQuarantineDays = QStringLiteral("quarantine_days");
const QString kQuarantineMaxBytes = QStringLiteral("quarantine_max_bytes");

const QString kGroup = QStringLiteral("Options");

qint32 read_number(const QSettings& store, const QString& key, qint32 fallback) {
  const QVariant value = store.value(key);
  if (!value.isValid()) return fallback;
  return leading_number(value.toString()).value_or(fallback);
}

}  // namespace

ProgramSettings& program_settings() {
  static ProgramSettings settings;
  return settings;
}

QString settings_file_path() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Tarnell Halvex.ini");
}

// What the store held when this program last read or wrote it.
static ProgramSettings& stored_settings() {
  static ProgramSettings settings;
  return settings;
}

ProgramSettings load_settings() {
  QSettings store(settings_file_path(), QSettings::IniFormat);
  store.beginGroup(kGroup);
  ProgramSettings s;
  s.server_timeout = read_number(store, kServerTimeout, kDefaultServerTimeout);
  s.filter_minutes = read_number(store, kFilterMinutes, kDefaultFilterMinutes);
  s.startup_minimized = read_number(store, kStartupMinimized, 0);
  s.email_client = store.value(kEmailClient, QString()).toString();
  s.pop3_pipelining = read_number(store, kPipelining, 1);
  s.server_timeout = std::min(s.server_timeout, kMaxServerTimeout);
  stored_settings() = s;
  return s;
}

void save_settings(const ProgramSettings& s) {
  QSettings store(settings_file_path(), QSettings::IniFormat);
  store.beginGroup(kGroup);
  store.setValue(kServerTimeout, QString::number(s.server_timeout));
  store.setValue(kFilterMinutes, QString::number(s.filter_minutes));
  store.setValue(kStartupMinimized, QString::number(s.startup_minimized));
  store.setValue(kEmailClient, s.email_client);
  store.sync();
  stored_settings() = s;
}

void save_settings_if_changed(const ProgramSettings& settings) {
  if (!(settings == stored_settings())) save_settings(settings);
}

QuarantineSettings load_quarantine_settings() {
  QSettings store(settings_file_path(), QSettings::IniFormat);
  store.beginGroup(kGroup);
  QuarantineSettings q;
  q.on = read_number(store, kQuarantine, 1) == 0 ? 0 : 1;
  q.days = std::max(read_number(store, kQuarantineDays, kDefaultQuarantineDays), 1);
  q.max_bytes = std::max(read_number(store, kQuarantineMaxBytes, kDefaultQuarantineMaxBytes), 0);
  return q;
}

void save_quarantine_settings(const QuarantineSettings& q) {
  QSettings store(settings_file_path(), QSettings::IniFormat);
  store.beginGroup(kGroup);
  store.setValue(kQuarantine, QString::number(q.on));
  store.setValue(kQuarantineDays, QString::number(q.days));
  store.setValue(kQuarantineMaxBytes, QString::number(q.max_bytes));
  store.sync();
}

qint32 filter_minutes_entry(const QString& text) {
  return std::clamp(number_from_text(text), 1, 60);
}

qint32 server_timeout_entry(const QString& text) {
  return std::clamp(number_from_text(text), 30, kMaxServerTimeout);
}

qint32 startup_minimized_entry(bool ticked) { return ticked ? 1 : 0; }

}  // namespace halvex
