#include "remembered_folder.h"

#include "picker_state.h"

#include <QDir>

namespace halvex {

QString with_trailing_slash(const QString& folder) {
  if (folder.isEmpty() || folder.endsWith(u'/')) return folder;
  return folder + u'/';
}

QString remembered_folder() {
  const QString folder = stored_picker_folder();
  return folder.isEmpty() ? with_trailing_slash(QDir::homePath()) : with_trailing_slash(folder);
}

void set_remembered_folder(const QString& folder) {
  store_picker_folder(with_trailing_slash(folder));
}

}  // namespace halvex
