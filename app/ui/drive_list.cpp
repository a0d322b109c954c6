#include "drive_list.h"

#include <QFileInfo>
#include <QHash>
#include <QStorageInfo>
#include <algorithm>

namespace halvex {

namespace {

QHash<QString, QString>& current_folders() {
  static QHash<QString, QString> folders;
  return folders;
}

// True when `folder` is `mount` or lies below it.
bool lies_on(const QString& folder, const QString& mount) {
  if (mount == u"/") return folder.startsWith(u'/');
  return folder == mount || folder.startsWith(mount + u'/');
}

}  // namespace

QStringList mounted_drives() {
  QStringList drives;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    // Bind mounts of single files (as in containers) are no drives.
    if (root.isEmpty() || !QFileInfo(root).isDir() || drives.contains(root)) continue;
    drives.append(root);
  }
  drives.removeAll(QStringLiteral("/"));
  std::sort(drives.begin(), drives.end());
  drives.prepend(QStringLiteral("/"));
  return drives;
}

QString drive_of(const QString& folder, const QStringList& drives) {
  QString best = QStringLiteral("/");
  for (const QString& drive : drives)
    if (lies_on(folder, drive) && drive.size() > best.size()) best = drive;
  return best;
}

QString drive_current_folder(const QString& drive) {
  return current_folders().value(drive, drive);
}

void set_drive_current_folder(const QString& drive, const QString& folder) {
  current_folders().insert(drive, folder);
}

}  // namespace halvex
