#include "remembered_folder.h"

#include "accounts/app_folder.h"

namespace halvex {

namespace {

QString& stored_folder() {
  static QString folder;
  return folder;
}

}  // namespace

QString with_trailing_slash(const QString& folder) {
  if (folder.isEmpty() || folder.endsWith(u'/')) return folder;
  return folder + u'/';
}

QString remembered_folder() {
  const QString& folder = stored_folder();
  return folder.isEmpty() ? with_trailing_slash(app_folder()) : folder;
}

void set_remembered_folder(const QString& folder) { stored_folder() = with_trailing_slash(folder); }

}  // namespace halvex
