#include "list_import_export.h"

#include "engine/header_rules.h"
#include "entry_filters.h"
#include "frm_getfile.h"
#include "frm_getfolder.h"
#include "frm_selectimport.h"
#include "message.h"
#include "phrase_file.h"
#include "phrase_list.h"
#include "question.h"

#include <QFileInfo>
#include <QListWidget>
#include <QSet>

namespace halvex {

namespace {

const QString kCancelledChoice = QStringLiteral("0");
const QString kCancelledPicker = QStringLiteral("EXIT");

QString counted(int n, const char* one, const char* many) {
  return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

QString list_name_of(const QString& choice) {
  if (choice == u"1") return QStringLiteral("From");
  if (choice == u"2") return QStringLiteral("Subject");
  return QStringLiteral("To");
}

}  // namespace

QListWidget* PhraseLists::chosen(const QString& choice) const {
  if (choice == u"1") return from;
  if (choice == u"2") return subject;
  if (choice == u"3") return to;
  return nullptr;
}

ImportTally merge_phrases(QListWidget* list, const QStringList& lines) {
  const QStringList present = list_entries(list);
  QSet<QString> held(present.begin(), present.end());
  ImportTally tally;
  for (const QString& line : lines) {
    const QString phrase = drop_double_quotes(line);
    if (is_blank_phrase(phrase)) {
      ++tally.blank;
      continue;
    }
    if (held.contains(phrase)) {
      ++tally.duplicate;
      continue;
    }
    held.insert(phrase);
    insert_sorted(list, phrase);
    ++tally.added;
  }
  return tally;
}

QString import_summary(const ImportTally& tally, const QString& list_name) {
  QString text = QStringLiteral("Added ") + counted(tally.added, "phrase", "phrases") +
                 QStringLiteral(" to the ") + list_name + QStringLiteral(" list.");
  const int skipped = tally.blank + tally.duplicate;
  if (skipped == 0) return text;
  text += QLatin1Char('\r') + QStringLiteral("Skipped ") + counted(skipped, "line", "lines") +
          QStringLiteral(": ") + QString::number(tally.blank) + QStringLiteral(" blank, ") +
          QString::number(tally.duplicate) + QStringLiteral(" already in the list.");
  return text;
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
  show_message(import_summary(merge_phrases(list, *lines), list_name_of(choice)), parent);
}

void export_text_file(const PhraseLists& lists, const QString& description, QWidget* parent) {
  const QString choice =
      run_header_chooser(QStringLiteral("Select Header To Export From:"), parent);
  QListWidget* list = lists.chosen(choice);
  if (choice == kCancelledChoice || !list) return;
  const QString folder =
      run_folder_picker(QStringLiteral("Select a folder to export the list to."), parent);
  if (folder == kCancelledPicker) return;
  const QString path = export_file_name(folder, description, choice);
  if (QFileInfo::exists(path) &&
      !ask_yes_no(QStringLiteral("The file") + u'\r' + path + u'\r' +
                      QStringLiteral("already exists. Replace it?"),
                  false, parent))
    return;
  const QStringList entries = list_entries(list);
  if (!write_phrase_file(path, entries)) {
    show_message(QStringLiteral("Error Exporting File!"), parent);
    return;
  }
  show_message(QStringLiteral("Exported ") + counted(int(entries.size()), "phrase", "phrases") +
                   QStringLiteral(" from the ") + list_name_of(choice) +
                   QStringLiteral(" list to") + u'\r' + path,
               parent);
}

}  // namespace halvex
