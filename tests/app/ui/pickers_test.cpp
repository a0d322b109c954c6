// The file and folder pickers: opening in the remembered folder, folder clicks and
// double clicks, choosing files, cancelling, "New &Folder", drives, the client picker.
#include "dialog_test_support.h"
#include "accounts/app_folder.h"
#include "accounts/settings.h"
#include "ui/client_picker.h"
#include "ui/drive_list.h"
#include "ui/frm_getfile.h"
#include "ui/frm_getfolder.h"
#include "ui/message.h"
#include "ui/picker_lists.h"
#include "ui/picker_state.h"
#include "ui/remembered_folder.h"

#include <QComboBox>
#include <QInputDialog>
#include <QTreeWidget>

namespace halvex {
namespace {

using test::entries_of;
using test::expect_message;
using test::item_named;
using test::when_window;

QTreeWidgetItem* folder_item(QTreeWidget* tree, const QString& name) {
  const auto found = tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

// An item view takes a double click only after a press on the same item.
void double_click_at(QWidget* viewport, QPoint at) {
  QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
}

void click_folder(PickerLists* lists, const QString& name) {
  QTreeWidgetItem* item = folder_item(lists->Dir1, name);
  ASSERT_NE(item, nullptr) << name.toStdString();
  QTest::mouseClick(lists->Dir1->viewport(), Qt::LeftButton, {},
                    lists->Dir1->visualItemRect(item).center());
}

void double_click_folder(PickerLists* lists, const QString& name) {
  QTreeWidgetItem* item = folder_item(lists->Dir1, name);
  ASSERT_NE(item, nullptr) << name.toStdString();
  double_click_at(lists->Dir1->viewport(), lists->Dir1->visualItemRect(item).center());
}

void click_file(QListWidget* files, const QString& name) {
  QListWidgetItem* item = item_named(files, name);
  ASSERT_NE(item, nullptr) << name.toStdString();
  QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(item).center());
}

// root/ holds a.txt, B.txt, a hidden file, sub/ (with s.txt and deep/) and a hidden
// folder; it is the remembered folder when each test starts.
class Pickers : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path();
    ASSERT_TRUE(QDir(root_).mkpath("sub/deep"));
    ASSERT_TRUE(QDir(root_).mkpath(".hidden_folder"));
    for (const char* f : {"a.txt", "B.txt", ".hidden", "sub/s.txt"})
      ASSERT_TRUE(test::write_bytes(root_ + "/" + f, "x\r\n"));
    set_remembered_folder(root_);
    store_show_hidden(false);
  }

  QTemporaryDir tmp_;
  QString root_;
};

TEST_F(Pickers, FilePickerOpensInTheRememberedFolderWithNothingChosen) {
  bool seen = false;
  when_window<frm_getfile>([&](frm_getfile* p) {
    seen = true;
    EXPECT_EQ(p->windowTitle(), "Select a file to import.");
    EXPECT_EQ(p->Label1->text(), "Look In:");
    EXPECT_EQ(p->Label2->text(), "Use the file selector to choose a file from your system.");
    EXPECT_EQ(p->Command1->text(), "&Ok");
    EXPECT_EQ(p->Command2->text(), "&Cancel");
    EXPECT_FALSE(p->Command1->isEnabled());
    EXPECT_EQ(p->lists->shown_folder(), root_);
    EXPECT_EQ(entries_of(p->lists->File1), QStringList({"a.txt", "B.txt"}));
    EXPECT_NE(folder_item(p->lists->Dir1, "sub"), nullptr);
    EXPECT_EQ(folder_item(p->lists->Dir1, ".hidden_folder"), nullptr);
    EXPECT_EQ(p->lists->Drive1->itemText(0), "/");
    EXPECT_EQ(p->lists->Drive1->currentText(), drive_of(root_, mounted_drives()));
    p->Command2->click();
  });
  EXPECT_EQ(run_file_picker("Select a file to import."), "EXIT");
  EXPECT_TRUE(seen);
}

TEST_F(Pickers, ClickingAFileEnablesOkAndReturnsItsPath) {
  when_window<frm_getfile>([&](frm_getfile* p) {
    click_file(p->lists->File1, "B.txt");
    EXPECT_TRUE(p->Command1->isEnabled());
    EXPECT_EQ(p->chosen_file(), root_ + "/B.txt");
    p->Command1->click();
  });
  EXPECT_EQ(run_file_picker("t"), root_ + "/B.txt");
}

TEST_F(Pickers, DoubleClickingAFileChoosesIt) {
  when_window<frm_getfile>([&](frm_getfile* p) {
    QListWidgetItem* item = item_named(p->lists->File1, "a.txt");
    ASSERT_NE(item, nullptr);
    double_click_at(p->lists->File1->viewport(), p->lists->File1->visualItemRect(item).center());
  });
  EXPECT_EQ(run_file_picker("t"), root_ + "/a.txt");
}

TEST_F(Pickers, FolderClickShowsItsFilesDoubleClickOpensIt) {
  when_window<frm_getfile>([&](frm_getfile* p) {
    click_file(p->lists->File1, "a.txt");
    ASSERT_TRUE(p->Command1->isEnabled());

    click_folder(p->lists, "sub");
    EXPECT_EQ(p->lists->shown_folder(), root_ + "/sub");
    EXPECT_EQ(entries_of(p->lists->File1), QStringList({"s.txt"}));
    EXPECT_EQ(remembered_folder(), root_ + "/sub/");
    EXPECT_FALSE(p->Command1->isEnabled());  // the chosen file is cleared
    EXPECT_TRUE(p->chosen_file().isEmpty());
    EXPECT_EQ(p->lists->open_folder(), root_);  // a single click does not open it
    EXPECT_EQ(folder_item(p->lists->Dir1, "deep"), nullptr);

    double_click_folder(p->lists, "sub");
    EXPECT_EQ(p->lists->open_folder(), root_ + "/sub");
    EXPECT_NE(folder_item(p->lists->Dir1, "deep"), nullptr);
    EXPECT_EQ(p->lists->Dir1->currentItem()->text(0), "sub");

    // Back up through the path: the parent is listed above the open folder.
    click_folder(p->lists, QFileInfo(root_).fileName());
    EXPECT_EQ(p->lists->shown_folder(), root_);
    EXPECT_EQ(entries_of(p->lists->File1), QStringList({"a.txt", "B.txt"}));
    click_folder(p->lists, "deep");
    p->Command2->click();
  });
  EXPECT_EQ(run_file_picker("t"), "EXIT");
  // Cancelled, yet the last shown folder is remembered.
  EXPECT_EQ(remembered_folder(), root_ + "/sub/deep/");
}

TEST_F(Pickers, EnterOnAFolderOpensItWithoutClosingThePicker) {
  when_window<frm_getfolder>([&](frm_getfolder* p) {
    click_folder(p->lists, "sub");
    QTest::keyClick(p->lists->Dir1, Qt::Key_Return);
    EXPECT_TRUE(p->isVisible());
    EXPECT_EQ(p->lists->open_folder(), root_ + "/sub");
    p->Command2->click();
  });
  EXPECT_EQ(run_folder_picker("t"), "EXIT");
}

TEST_F(Pickers, NextPickerInAnyDialogOpensWhereTheLastWasLeft) {
  when_window<frm_getfile>([&](frm_getfile* p) {
    double_click_folder(p->lists, "sub");
    p->close();  // closing otherwise is a cancel
  });
  EXPECT_EQ(run_file_picker("t"), "EXIT");

  when_window<frm_getfolder>([&](frm_getfolder* p) {
    EXPECT_EQ(p->lists->shown_folder(), root_ + "/sub");
    EXPECT_EQ(p->Label2->text(), root_ + "/sub");
    double_click_folder(p->lists, "deep");
    EXPECT_EQ(p->Label2->text(), root_ + "/sub/deep");
    p->Command1->click();
  });
  EXPECT_EQ(run_folder_picker("Select a folder to export the list to."), root_ + "/sub/deep/");

  when_window<frm_getfile>([&](frm_getfile* p) {
    EXPECT_EQ(p->lists->shown_folder(), root_ + "/sub/deep");
    p->Command2->click();
  });
  run_file_picker("t");
}

TEST_F(Pickers, RememberedFolderStartsAsTheHomeFolder) {
  const QString app = with_trailing_slash(QDir::homePath());
  set_remembered_folder(QString());
  EXPECT_EQ(remembered_folder(), app);
  when_window<frm_getfolder>([&](frm_getfolder* p) { p->Command1->click(); });
  EXPECT_EQ(run_folder_picker("t"), app);
}

TEST_F(Pickers, AVanishedRememberedFolderOpensItsNearestParent) {
  set_remembered_folder(root_ + "/sub/gone/deeper");
  when_window<frm_getfolder>([&](frm_getfolder* p) { p->Command1->click(); });
  EXPECT_EQ(run_folder_picker("t"), root_ + "/sub/");
}

struct CloseRow {
  const char* name;
  std::function<void(frm_getfolder*)> close;
};

class FolderPickerCancel : public Pickers, public testing::WithParamInterface<CloseRow> {};

TEST_P(FolderPickerCancel, ReturnsExit) {
  when_window<frm_getfolder>([](frm_getfolder* p) { GetParam().close(p); });
  EXPECT_EQ(run_folder_picker("t"), "EXIT");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, FolderPickerCancel,
    testing::Values(CloseRow{"cancel_button", [](frm_getfolder* p) { p->Command2->click(); }},
                    CloseRow{"window_close", [](frm_getfolder* p) { p->close(); }},
                    CloseRow{"escape", [](frm_getfolder* p) { QTest::keyClick(p, Qt::Key_Escape); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Pickers, FolderPickerFilesCannotBeChosen) {
  when_window<frm_getfolder>([&](frm_getfolder* p) {
    EXPECT_EQ(entries_of(p->lists->File1), QStringList({"a.txt", "B.txt"}));
    click_file(p->lists->File1, "a.txt");
    EXPECT_TRUE(p->lists->File1->selectedItems().isEmpty());
    p->Command1->click();
  });
  EXPECT_EQ(run_folder_picker("t"), root_ + "/");
}

struct NewFolderRow {
  const char* name;
  const char* answer;   // nullptr: the input box is cancelled
  const char* created;  // the folder expected afterwards, nullptr: none
  bool error;
};

class NewFolder : public Pickers, public testing::WithParamInterface<NewFolderRow> {};

TEST_P(NewFolder, CreatesShowsAndRemembers) {
  const NewFolderRow row = GetParam();
  const QStringList before = QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
  QString message;
  when_window<frm_getfolder>([&](frm_getfolder* p) {
    when_window<QInputDialog>(
        [&](QInputDialog* box) {
          EXPECT_EQ(box->windowTitle(), "Create new folder");
          EXPECT_EQ(box->labelText(), "Please enter a name for the new folder:");
          EXPECT_EQ(box->textValue(), "New Folder");
          if (row.error) expect_message(&message, box);
          if (!row.answer) {
            box->reject();
            return;
          }
          box->setTextValue(QString::fromUtf8(row.answer));
          box->accept();
        },
        p);
    p->Command3->click();
    const QString expected = row.created ? root_ + "/" + row.created : root_;
    EXPECT_EQ(p->lists->shown_folder(), expected);
    EXPECT_EQ(p->Label2->text(), expected);
    p->Command1->click();
  });
  const QString result = run_folder_picker("t");
  const QStringList after = QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
  if (row.created) {
    EXPECT_EQ(result, root_ + "/" + row.created + "/");
    EXPECT_EQ(remembered_folder(), result);
    EXPECT_TRUE(QFileInfo(root_ + "/" + row.created).isDir());
    EXPECT_EQ(after.size(), before.size() + 1);
  } else {
    EXPECT_EQ(result, root_ + "/");
    EXPECT_EQ(after, before);
  }
  EXPECT_EQ(message, row.error ? "Error trying to create folder!" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, NewFolder,
    testing::Values(NewFolderRow{"trimmed_name", "  lists  ", "lists", false},
                    NewFolderRow{"default_answer", "New Folder", "New Folder", false},
                    NewFolderRow{"blanks_only", "   ", nullptr, false},
                    NewFolderRow{"empty", "", nullptr, false},
                    NewFolderRow{"cancelled", nullptr, nullptr, false},
                    NewFolderRow{"already_there", "sub", nullptr, true},
                    NewFolderRow{"nested_path", "x/y", nullptr, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Pickers, ADriveShowsItsCurrentFolderAnUnreadableOneGoesBack) {
  QTemporaryDir other;
  ASSERT_TRUE(QDir(other.path()).mkpath("inner"));
  when_window<frm_getfile>([&](frm_getfile* p) {
    p->lists->set_drives({"/", other.path(), root_ + "/no-such-drive"});
    ASSERT_TRUE(p->lists->show_folder(root_, true));  // the current folder of "/" now
    EXPECT_EQ(p->lists->Drive1->currentText(), "/");

    emit p->lists->Drive1->activated(1);
    EXPECT_EQ(p->lists->shown_folder(), other.path());
    double_click_folder(p->lists, "inner");
    EXPECT_EQ(p->lists->Drive1->currentText(), other.path());

    emit p->lists->Drive1->activated(0);  // back to where "/" was left
    EXPECT_EQ(p->lists->shown_folder(), root_);
    emit p->lists->Drive1->activated(1);
    EXPECT_EQ(p->lists->shown_folder(), other.path() + "/inner");

    emit p->lists->Drive1->activated(2);  // cannot be read: no message, lists unchanged
    EXPECT_EQ(p->lists->shown_folder(), other.path() + "/inner");
    EXPECT_EQ(p->lists->Drive1->currentText(), other.path());
    EXPECT_EQ(entries_of(p->lists->File1), QStringList());
    p->Command2->click();
  });
  run_file_picker("t");
}

TEST(DriveList, RootFirstEachOnce) {
  const QStringList drives = mounted_drives();
  ASSERT_FALSE(drives.isEmpty());
  EXPECT_EQ(drives.first(), "/");
  EXPECT_EQ(drives.size(), QSet<QString>(drives.begin(), drives.end()).size());
}

TEST(DriveList, DriveOfIsTheLongestMountHoldingTheFolder) {
  const QStringList drives = {"/", "/work", "/wo", "/work/data"};
  EXPECT_EQ(drive_of("/work/x", drives), "/work");
  EXPECT_EQ(drive_of("/work", drives), "/work");
  EXPECT_EQ(drive_of("/work/data/y", drives), "/work/data");
  EXPECT_EQ(drive_of("/workshop", drives), "/");
  EXPECT_EQ(drive_of("/home", drives), "/");
}

TEST_F(Pickers, ClientPickerStoresAChosenFileAndKeepsTheOldOnCancel) {
  ProgramSettings settings;
  settings.email_client = "/usr/bin/old-client";
  when_window<frm_getfile>([](frm_getfile* p) {
    EXPECT_EQ(p->windowTitle(), "Select Email Client To Launch.");
    p->Command2->click();
  });
  EXPECT_FALSE(run_client_picker(settings));
  EXPECT_EQ(settings.email_client, "/usr/bin/old-client");

  when_window<frm_getfile>([](frm_getfile* p) {
    click_file(p->lists->File1, "a.txt");
    p->Command1->click();
  });
  EXPECT_TRUE(run_client_picker(settings));
  EXPECT_EQ(settings.email_client, root_ + "/a.txt");
  EXPECT_EQ(message_text(), root_ + "/a.txt");
}

}  // namespace
}  // namespace halvex
