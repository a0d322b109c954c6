#include "list_import_export.h"

#include "entry_filters.h"
#include "frm_getfile.h"
#include "frm_getfolder.h"
#include "frm_selectimport.h"
#include "message.h"
#include "phrase_file.h"
#include "phrase_list.h"

#include <QListWidget>
#include <QSet>

namespace halvex {

namespace {

const QString kCancelledChoice = QStringLiteral("0");
const QString kCancelledPicker = QStringLiteral("EXIT");

}  // namespace

QListWidget* PhraseLists::chosen(const QString& choice) const {
  if (choice == u"1") return from;
  if (choice == u"2") return subject;
  if (choice == u"3") return to;
  return nullptr;
}

int merge_phrases(QListWidget* list, const QStringList& lines) {
  const QStringList present = list_entries(list);
  QSet<QString> held(present.begin(), present.end());
  int added = 0;
  for (const QString& line : lines) {
    const QString phrase = drop_double_quotes(line);
    if (held.contains(phrase)) continue;
    held.insert(phrase);
    insert_sorted(list, phrase);
    ++added;
  }
  return added;
}

void import_text_file(const PhraseLists& lists, QWidget* parent) {
  const QString choice = run_header_chooser(QStringLiteral("Select Header To Import To:"), parent);
  QListWidget* list = lists.chosen(choice);
  if (choice == kCancelledChoice || !list) return;
  const QString path = run_file_picker(QStringLiteral("Select a file to import."), parent);
  if (path == kCancelledPicker) return;
  const std::optional<QStringList> lines = read_phrase_file(path);
  if (!lines) {
    show_message(QStringLiteral("Error Importing File!"), parent);
    return;
  }
  merge_phrases(list, *lines);
}

void export_text_file(const PhraseLists& lists, const QString& description, QWidget* parent) {
  const QString choice =
      run_header_chooser(QStringLiteral("Select Header To Export From:"), parent);
  QListWidget* list = lists.chosen(choice);
  if (choice == kCancelledChoice || !list) return;
  const QString folder =
      run_folder_picker(QStringLiteral("Select a folder to export the list to."), parent);
  if (folder == kCancelledPicker) return;
  if (!write_phrase_file(export_file_name(folder, description, choice), list_entries(list)))
    show_message(QStringLiteral("Error Exporting File!"), parent);
}

}  // namespace halvex
