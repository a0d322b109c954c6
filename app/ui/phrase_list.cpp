#include "phrase_list.h"

#include <QListWidget>

namespace halvex {

int insert_sorted(QListWidget* list, const QString& text) {
  // Binary search for the first entry that sorts after `text`.
  int low = 0;
  int high = list->count();
  while (low < high) {
    const int mid = (low + high) / 2;
    if (QString::compare(list->item(mid)->text(), text, Qt::CaseInsensitive) <= 0)
      low = mid + 1;
    else
      high = mid;
  }
  list->insertItem(low, text);
  return low;
}

void fill_sorted(QListWidget* list, const QStringList& entries) {
  list->clear();
  for (const QString& entry : entries) insert_sorted(list, entry);
}

QStringList list_entries(const QListWidget* list) {
  QStringList entries;
  entries.reserve(list->count());
  for (int i = 0; i < list->count(); ++i) entries.append(list->item(i)->text());
  return entries;
}

bool holds_exactly(const QListWidget* list, const QString& text) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text() == text) return true;
  return false;
}

}  // namespace halvex
