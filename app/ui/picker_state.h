// What the pickers remember between runs, in the settings file beside the program's own
// settings (group "Pickers"): the last folder shown, whether hidden folders and files are
// shown, and per picker its window size and the widths of its folder and file columns.
#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

namespace halvex {

// The last folder any picker showed; empty when none is remembered.
QString stored_picker_folder();
void store_picker_folder(const QString& folder);  // empty forgets it

bool stored_show_hidden();
void store_show_hidden(bool show);

// `kind` names the picker ("file_picker", "folder_picker"). An invalid size or empty
// widths mean nothing is remembered.
QSize stored_picker_size(const QString& kind);
QList<int> stored_picker_columns(const QString& kind);
void store_picker_layout(const QString& kind, QSize size, const QList<int>& columns);

}  // namespace halvex
