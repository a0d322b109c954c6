// The account dialog's From, Subject and To lists: entries kept in alphabetical order
// without regard to letter case; an entry that equals others (ignoring case) goes after
// them, so the order of equal entries is the order they were added in.
#pragma once

#include <QString>
#include <QStringList>

class QListWidget;

namespace halvex {

// Adds `text` at its sorted place and returns its row.
int insert_sorted(QListWidget* list, const QString& text);

// Empties the list and adds every entry at its sorted place.
void fill_sorted(QListWidget* list, const QStringList& entries);

// The entries in their displayed order.
QStringList list_entries(const QListWidget* list);

// True when an entry equals `text` character for character (letter case counts).
bool holds_exactly(const QListWidget* list, const QString& text);

}  // namespace halvex
