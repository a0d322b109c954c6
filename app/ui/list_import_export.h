// The account dialog's "Import Text File" and "Export Text File".
//
// Import: the header chooser ("Select Header To Import To:"), the file picker ("Select
// a file to import."), then every line of the file not yet in the chosen list (exact,
// case-sensitive comparison, lines added earlier in the same import included) takes
// its sorted place there. Lines are kept untrimmed, commas included; a double quote,
// which the account file cannot store, is dropped. Empty and blank-only lines are
// skipped (a blank phrase would only sit in the list unused), and a message then tells
// how many phrases were added and how many lines were skipped. Export: the header chooser
// ("Select Header To Export From:"), the folder picker ("Select a folder to export the
// list to."), then the chosen list in its displayed order to folder + description +
// the list's ending; an existing file is replaced only after a question (No is the
// default), and a message then names the file written and how many phrases it holds.
// Cancelling any window stops with nothing changed; a file that
// cannot be read or written is reported as "Error Importing File!" or "Error
// Exporting File!".
#pragma once

#include <QString>
#include <QStringList>

class QListWidget;
class QWidget;

namespace halvex {

struct PhraseLists {
  QListWidget* from = nullptr;
  QListWidget* subject = nullptr;
  QListWidget* to = nullptr;

  // The list of a chooser's choice "1", "2" or "3"; nullptr for any other.
  QListWidget* chosen(const QString& choice) const;
};

// What one import did with the lines of its file.
struct ImportTally {
  int added = 0;
  int blank = 0;      // empty or blanks only, skipped
  int duplicate = 0;  // already in the list, skipped

  friend bool operator==(const ImportTally&, const ImportTally&) = default;
};

// Adds each line that is not blank and that the list does not hold yet (after
// dropping double quotes) at its sorted place.
ImportTally merge_phrases(QListWidget* list, const QStringList& lines);

// The message after an import, e.g. "Added 3 phrases to the From list." + CR +
// "Skipped 2 lines: 1 blank, 1 already in the list."
QString import_summary(const ImportTally& tally, const QString& list_name);

void import_text_file(const PhraseLists& lists, QWidget* parent = nullptr);

// `description` names the export file: the record's description as the export runs.
void export_text_file(const PhraseLists& lists, const QString& description,
                      QWidget* parent = nullptr);

}  // namespace halvex
