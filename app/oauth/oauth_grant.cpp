#include "oauth_grant.h"

#include "accounts/atomic_file.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <utility>

namespace halvex::oauth {

namespace {

using Field = std::pair<const char*, QString OAuthGrant::*>;
constexpr std::array<Field, 7> kFields = {{
    {"provider", &OAuthGrant::provider},
    {"authorize_url", &OAuthGrant::authorize_url},
    {"token_url", &OAuthGrant::token_url},
    {"scope", &OAuthGrant::scope},
    {"client_id", &OAuthGrant::client_id},
    {"client_secret", &OAuthGrant::client_secret},
    {"refresh_token", &OAuthGrant::refresh_token},
}};

constexpr qint64 kMaxFileSize = 64 * 1024;

}  // namespace

QString grant_path(const QString& folder, const QString& name) {
  return folder + name + QStringLiteral(".oauth");
}

bool grant_exists(const QString& folder, const QString& name) {
  return QFileInfo(grant_path(folder, name)).isFile();
}

bool load_grant(const QString& folder, const QString& name, OAuthGrant& grant) {
  QFile file(grant_path(folder, name));
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize) return false;
  OAuthGrant read;
  for (QByteArray line : file.readAll().split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0) continue;
    const QByteArray key = line.left(eq);
    for (const auto& [name_of, member] : kFields)
      if (key == name_of) read.*member = QString::fromUtf8(line.mid(eq + 1));
  }
  grant = std::move(read);
  return true;
}

bool save_grant(const QString& folder, const QString& name, const OAuthGrant& grant) {
  QByteArray bytes;
  for (const auto& [key, member] : kFields) {
    const QString& value = grant.*member;
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n'))) return false;
    bytes += QByteArray(key) + '=' + value.toUtf8() + "\r\n";
  }
  // 0600: the refresh token signs in to the mailbox without a password.
  return write_file_atomically(grant_path(folder, name), bytes, 0600);
}

bool remove_grant(const QString& folder, const QString& name) {
  const QString path = grant_path(folder, name);
  return !QFileInfo::exists(path) || QFile::remove(path);
}

}  // namespace halvex::oauth
