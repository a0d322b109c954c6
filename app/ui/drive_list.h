// The pickers' drive list: the mounted file systems, by their mount points, "/" first,
// and the current folder of each drive (the last folder shown on it in this run).
#pragma once

#include <QString>
#include <QStringList>

namespace halvex {

// Mount points of the mounted file systems that are folders: "/" first, the others
// sorted, each once.
QStringList mounted_drives();

// The drive of `folder` among `drives`: the longest mount point that holds it; "/"
// when none does.
QString drive_of(const QString& folder, const QStringList& drives);

// The drive's current folder: the last folder shown on it, else the drive itself.
QString drive_current_folder(const QString& drive);

// Notes `folder` as the current folder of `drive`.
void set_drive_current_folder(const QString& drive, const QString& folder);

}  // namespace halvex
