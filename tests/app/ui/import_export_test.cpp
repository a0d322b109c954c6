// "Import Text File" and "Export Text File" of the account dialog, driven through the
// header chooser and the pickers as a user would.
#include "dialog_test_support.h"
#include "ui/frm_account.h"
#include "ui/frm_getfile.h"
#include "ui/frm_getfolder.h"
#include "ui/frm_selectimport.h"
#include "ui/message.h"
#include "ui/picker_lists.h"
#include "ui/remembered_folder.h"

#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <memory>

#include <QMessageBox>

#include <optional>

namespace halvex {
namespace {

using test::entries_of;
using test::expect_message;
using test::file_bytes;
using test::files_in;
using test::item_named;
using test::when_window;
using test::write_bytes;

enum class Step { kChoose, kCancel, kCloseWindow, kEscape };

// Handles the header chooser: `header` 1..3 with `step` kChoose, else the cancel or
// close given by `step`; `next` arms the following window before the chooser closes.
void arm_chooser(const QString& title, int header, Step step,
                 std::function<void(QWidget*)> next = {}) {
  when_window<frm_selectimport>([=](frm_selectimport* c) {
    EXPECT_EQ(c->windowTitle(), title);
    EXPECT_TRUE(c->Option1->isChecked());
    EXPECT_EQ(c->Option1->text(), "From");
    EXPECT_EQ(c->Option2->text(), "Subject");
    EXPECT_EQ(c->Option3->text(), "To");
    QRadioButton* options[] = {c->Option1, c->Option2, c->Option3};
    if (header >= 1 && header <= 3) options[header - 1]->click();
    if (next) next(c);
    switch (step) {
      case Step::kChoose: c->Command1->click(); break;
      case Step::kCancel: c->Command2->click(); break;
      case Step::kCloseWindow: c->close(); break;
      case Step::kEscape: QTest::keyClick(c, Qt::Key_Escape); break;
    }
  });
}

class ImportExport : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(accounts_.isValid() && lists_.isValid());
    set_remembered_folder(lists_.path());
    reset_account(record_);
  }

  frm_account& open() {
    dialog_ = std::make_unique<frm_account>(record_, accounts_.path());
    dialog_->show();
    return *dialog_;
  }

  // Imports the file `name` of the lists folder into list `header`; an empty name
  // cancels the file picker.
  void import(frm_account& d, int header, const QString& name) {
    arm_chooser("Select Header To Import To:", header, Step::kChoose, [=, this](QWidget* chooser) {
      when_window<frm_getfile>(
          [=, this](frm_getfile* p) {
            EXPECT_EQ(p->windowTitle(), "Select a file to import.");
            if (name.isEmpty()) {
              p->Command2->click();
              return;
            }
            QListWidgetItem* item = item_named(p->lists->File1, name);
            ASSERT_NE(item, nullptr) << name.toStdString();
            p->lists->File1->setCurrentItem(item);
            expect_message(&summary_, p);
            p->Command1->click();
          },
          chooser);
    });
    d.import_button->click();
  }

  // Exports list `header` into `folder`; an empty folder cancels the folder picker. With
  // `replace` set, the question about an existing file comes first and gets that answer.
  // The message that names the written file lands in exported_.
  void export_to(frm_account& d, int header, const QString& folder,
                 std::optional<bool> replace = std::nullopt) {
    exported_.clear();
    question_.clear();
    arm_chooser("Select Header To Export From:", header, Step::kChoose, [=, this](QWidget* chooser) {
      when_window<frm_getfolder>(
          [=, this](frm_getfolder* p) {
            EXPECT_EQ(p->windowTitle(), "Select a folder to export the list to.");
            if (folder.isEmpty()) {
              p->Command2->click();
              return;
            }
            ASSERT_TRUE(p->lists->show_folder(folder, true));
            if (replace) {
              when_window<QMessageBox>(
                  [=, this](QMessageBox* box) {
                    question_ = box->text();
                    if (*replace) expect_message(&exported_, box);
                    box->button(*replace ? QMessageBox::Yes : QMessageBox::No)->click();
                  },
                  p);
            } else {
              expect_message(&exported_, p);
            }
            p->Command1->click();
          },
          chooser);
    });
    d.export_button->click();
  }

  QString list_file(const QString& name, const QByteArray& bytes) {
    EXPECT_TRUE(write_bytes(lists_.filePath(name), bytes));
    return name;
  }

  QTemporaryDir accounts_;
  QTemporaryDir lists_;
  AccountRecord record_;
  QString summary_;  // the message shown after the last import
  QString exported_;  // the message shown after the last export
  QString question_;  // the question about replacing a file
  std::unique_ptr<frm_account> dialog_;
};

TEST_F(ImportExport, ImportSkipsExactDuplicatesAndSorts) {
  frm_account& d = open();
  import(d, 1, list_file("bab.txt", "b\r\na\r\nb\r\nd\r\n"));
  EXPECT_EQ(entries_of(d.from.list), QStringList({"a", "b", "d"}));
  import(d, 1, list_file("upper.txt", "B\r\nd"));
  EXPECT_EQ(entries_of(d.from.list), QStringList({"a", "b", "B", "d"}));
  EXPECT_EQ(d.subject.list->count(), 0);
  EXPECT_EQ(d.to.list->count(), 0);
}

TEST_F(ImportExport, BlankLinesAreSkippedAndCounted) {
  frm_account& d = open();
  import(d, 3, list_file("blank.txt", "x\r\n\r\n  \r\ny\r\n"));
  EXPECT_EQ(entries_of(d.to.list), QStringList({"x", "y"}));
  EXPECT_EQ(summary_, "Added 2 phrases to the To list.\nSkipped 2 lines: 2 blank, 0 already in the list.");
  import(d, 3, "blank.txt");
  EXPECT_EQ(entries_of(d.to.list), QStringList({"x", "y"}));
  EXPECT_EQ(summary_, "Added 0 phrases to the To list.\nSkipped 4 lines: 2 blank, 2 already in the list.");
}

TEST_F(ImportExport, LinesKeepBlanksAndCommasAnyLineEnd) {
  frm_account& d = open();
  import(d, 2, list_file("mixed.txt", " free ,offer\nwin\rM\xC3\xBCller\r\nlast"));
  EXPECT_EQ(entries_of(d.subject.list),
            QStringList({" free ,offer", "last", QStringLiteral("M\u00FCller"), "win"}));
}

TEST_F(ImportExport, ImportReachesAListGreyedByTheGate) {
  frm_account& d = open();
  test::answer_question(true);  // "Choose gate mode?"
  d.gate_option->click();
  import(d, 2, list_file("s.txt", "lottery\r\n"));
  EXPECT_FALSE(d.subject.list->isEnabled());
  EXPECT_EQ(entries_of(d.subject.list), QStringList({"lottery"}));
}

TEST_F(ImportExport, AFileThatCannotBeReadIsReported) {
  record_.from_list = {"kept"};
  frm_account& d = open();
  list_file("gone.txt", "x\r\n");
  QString message;
  arm_chooser("Select Header To Import To:", 1, Step::kChoose, [&](QWidget* chooser) {
    when_window<frm_getfile>(
        [&](frm_getfile* p) {
          p->lists->File1->setCurrentItem(item_named(p->lists->File1, "gone.txt"));
          QFile::remove(lists_.filePath("gone.txt"));
          expect_message(&message, p);
          p->Command1->click();
        },
        chooser);
  });
  d.import_button->click();
  EXPECT_EQ(message, "Error Importing File!");
  EXPECT_EQ(entries_of(d.from.list), QStringList({"kept"}));
}

TEST_F(ImportExport, ExportWritesTheDisplayedOrderUnderTheOpenedDescription) {
  record_.description = "home";
  record_.subject_list = {"win", "Cash", "a,b"};
  frm_account& d = open();
  d.description_box->setText("renamed");  // not saved: the record still says home
  export_to(d, 2, lists_.path());
  EXPECT_EQ(file_bytes(lists_.filePath("home_Subject_List.txt")), "a,b\r\nCash\r\nwin\r\n");
  EXPECT_EQ(exported_, "Exported 3 phrases from the Subject list to\n" +
                           lists_.filePath("home_Subject_List.txt"));
  export_to(d, 1, lists_.path());
  EXPECT_EQ(file_bytes(lists_.filePath("home_From_List.txt")), "");  // empty list, empty file
  export_to(d, 3, lists_.path());
  EXPECT_EQ(files_in(lists_.path()),
            QStringList({"home_From_List.txt", "home_Subject_List.txt", "home_To_List.txt"}));
  EXPECT_TRUE(files_in(accounts_.path()).isEmpty());
}

TEST_F(ImportExport, ExportOfANewAccountHasNoDescription) {
  frm_account& d = open();
  d.subject.entry->setText("spam");
  d.subject.add->click();
  ASSERT_TRUE(QDir(lists_.path()).mkdir("out"));
  export_to(d, 2, lists_.filePath("out"));
  EXPECT_EQ(file_bytes(lists_.filePath("out/_Subject_List.txt")), "spam\r\n");
}

TEST_F(ImportExport, ExportReplacesAnOldFile) {
  record_.description = "home";
  record_.to_list = {"new"};
  list_file("home_To_List.txt", "old\r\nolder\r\n");
  frm_account& d = open();
  export_to(d, 3, lists_.path(), false);
  EXPECT_EQ(question_, "The file\n" + lists_.filePath("home_To_List.txt") +
                           "\nalready exists. Replace it?");
  EXPECT_EQ(file_bytes(lists_.filePath("home_To_List.txt")), "old\r\nolder\r\n");
  EXPECT_TRUE(exported_.isEmpty());
  export_to(d, 3, lists_.path(), true);
  EXPECT_EQ(file_bytes(lists_.filePath("home_To_List.txt")), "new\r\n");
  EXPECT_EQ(exported_, "Exported 1 phrase from the To list to\n" +
                           lists_.filePath("home_To_List.txt"));
}

TEST_F(ImportExport, AFolderThatCannotBeWrittenIsReported) {
  record_.description = "home";
  frm_account& d = open();
  const QString folder = lists_.filePath("vanishing");
  ASSERT_TRUE(QDir(lists_.path()).mkdir("vanishing"));
  QString message;
  arm_chooser("Select Header To Export From:", 1, Step::kChoose, [&](QWidget* chooser) {
    when_window<frm_getfolder>(
        [&](frm_getfolder* p) {
          ASSERT_TRUE(p->lists->show_folder(folder, true));
          QDir(folder).removeRecursively();
          expect_message(&message, p);
          p->Command1->click();
        },
        chooser);
  });
  d.export_button->click();
  EXPECT_EQ(message, "Error Exporting File!");
  EXPECT_FALSE(QFileInfo::exists(folder));
}

struct CancelRow {
  const char* name;
  bool import;
  Step chooser_step;
  bool picker_cancelled;
};

class CancelAnyStep : public ImportExport, public testing::WithParamInterface<CancelRow> {};

TEST_P(CancelAnyStep, LeavesListsAndDiskUnchanged) {
  const CancelRow row = GetParam();
  record_.description = "home";
  record_.from_list = {"a"};
  record_.subject_list = {"s"};
  list_file("list.txt", "new\r\n");
  frm_account& d = open();
  const QStringList disk_before = files_in(lists_.path());
  const QString title = row.import ? "Select Header To Import To:" : "Select Header To Export From:";
  arm_chooser(title, 1, row.chooser_step, [&](QWidget* chooser) {
    if (!row.picker_cancelled) return;
    if (row.import)
      when_window<frm_getfile>([](frm_getfile* p) { p->close(); }, chooser);
    else
      when_window<frm_getfolder>([](frm_getfolder* p) { p->Command2->click(); }, chooser);
  });
  (row.import ? d.import_button : d.export_button)->click();
  QTest::qWait(50);  // a picker opened by mistake would have appeared by now
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(entries_of(d.from.list), QStringList({"a"}));
  EXPECT_EQ(entries_of(d.subject.list), QStringList({"s"}));
  EXPECT_EQ(files_in(lists_.path()), disk_before);
  EXPECT_TRUE(files_in(accounts_.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CancelAnyStep,
    testing::Values(CancelRow{"import_chooser_cancel", true, Step::kCancel, false},
                    CancelRow{"import_chooser_escape", true, Step::kEscape, false},
                    CancelRow{"import_picker_closed", true, Step::kChoose, true},
                    CancelRow{"import_chooser_closed_then_picker", true, Step::kCloseWindow, true},
                    CancelRow{"export_chooser_cancel", false, Step::kCancel, false},
                    CancelRow{"export_picker_cancel", false, Step::kChoose, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImportExport, ClosingTheChooserByItsTitleBarKeepsTheChoice) {
  frm_account& d = open();
  list_file("t.txt", "to-entry\r\n");
  arm_chooser("Select Header To Import To:", 3, Step::kCloseWindow, [&](QWidget* chooser) {
    when_window<frm_getfile>(
        [this](frm_getfile* p) {
          p->lists->File1->setCurrentItem(item_named(p->lists->File1, "t.txt"));
          expect_message(&summary_, p);
          p->Command1->click();
        },
        chooser);
  });
  d.import_button->click();
  EXPECT_EQ(entries_of(d.to.list), QStringList({"to-entry"}));
}

TEST(HeaderChooser, ResultsInMessageText) {
  const struct {
    int option;
    Step step;
    const char* result;
  } rows[] = {{1, Step::kChoose, "1"}, {2, Step::kChoose, "2"}, {3, Step::kChoose, "3"},
              {2, Step::kCancel, "0"}, {3, Step::kCloseWindow, "3"}, {2, Step::kEscape, "0"}};
  for (const auto& row : rows) {
    arm_chooser("Pick", row.option, row.step);
    EXPECT_EQ(run_header_chooser("Pick"), row.result) << row.option;
  }
}

}  // namespace
}  // namespace halvex
