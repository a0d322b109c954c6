// The pickers at home on the desktop: hidden folders on request, a typed or pasted path,
// whole names, the state they remember between runs, and the desktop's mail program.
#include "dialog_test_support.h"
#include "accounts/settings.h"
#include "ui/client_picker.h"
#include "ui/desktop_mailer.h"
#include "ui/frm_getfile.h"
#include "ui/frm_getfolder.h"
#include "ui/picker_lists.h"
#include "ui/picker_state.h"
#include "ui/remembered_folder.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QSplitter>
#include <QTreeWidget>

namespace halvex {
namespace {

using test::entries_of;
using test::expect_message;
using test::when_window;

QStringList folder_names(QTreeWidget* tree) {
  QStringList names;
  for (QTreeWidgetItemIterator it(tree); *it; ++it) names << (*it)->text(0);
  return names;
}

void type_path(PickerLists* lists, const QString& text, bool enter) {
  lists->Path1->setFocus();
  lists->Path1->selectAll();
  QTest::keyClicks(lists->Path1, text);
  if (enter) QTest::keyClick(lists->Path1, Qt::Key_Return);
}

// root/ holds a.txt, .hidden, .config/ (with c.txt) and sub/; it is the remembered folder.
class PickerExtras : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path();
    ASSERT_TRUE(QDir(root_).mkpath(".config"));
    ASSERT_TRUE(QDir(root_).mkpath("sub"));
    for (const char* f : {"a.txt", ".hidden", ".config/c.txt"})
      ASSERT_TRUE(test::write_bytes(root_ + "/" + f, "x\r\n"));
    store_show_hidden(false);
    set_remembered_folder(root_);
  }

  QTemporaryDir tmp_;
  QString root_;
};

TEST_F(PickerExtras, HiddenFoldersAndFilesShowOnRequestAndTheChoiceIsRemembered) {
  when_window<frm_getfolder>([&](frm_getfolder* p) {
    EXPECT_FALSE(p->lists->Hidden1->isChecked());
    EXPECT_FALSE(folder_names(p->lists->Dir1).contains(".config"));
    EXPECT_EQ(entries_of(p->lists->File1), QStringList({"a.txt"}));
    p->lists->Hidden1->click();
    EXPECT_TRUE(folder_names(p->lists->Dir1).contains(".config"));
    EXPECT_EQ(entries_of(p->lists->File1), QStringList({".hidden", "a.txt"}));
    EXPECT_TRUE(p->lists->show_folder(root_ + "/.config", true));
    p->Command1->click();
  });
  EXPECT_EQ(run_folder_picker("t"), root_ + "/.config/");
  // The next picker, in this run or the next, shows hidden entries from the start.
  EXPECT_TRUE(stored_show_hidden());
  when_window<frm_getfile>([&](frm_getfile* p) {
    EXPECT_TRUE(p->lists->Hidden1->isChecked());
    EXPECT_EQ(p->lists->shown_folder(), root_ + "/.config");
    EXPECT_EQ(entries_of(p->lists->File1), QStringList({"c.txt"}));
    p->lists->Hidden1->click();
    p->Command2->click();
  });
  run_file_picker("t");
  EXPECT_FALSE(stored_show_hidden());
}

struct TypedRow {
  const char* name;
  const char* typed;  // "@" stands for the test folder, "~" is left to the picker
  bool enter;
  const char* result;  // "@" as above; "EXIT" when the picker stays open and is cancelled
};

class TypedFilePath : public PickerExtras, public testing::WithParamInterface<TypedRow> {};

TEST_P(TypedFilePath, IsChosenLikeAClickedFile) {
  const TypedRow& row = GetParam();
  const QString typed = QString::fromUtf8(row.typed).replace("@", root_);
  const QString expected = QString::fromUtf8(row.result).replace("@", root_);
  QString message;
  when_window<frm_getfile>([&](frm_getfile* p) {
    if (expected == "EXIT") expect_message(&message, p);
    type_path(p->lists, typed, row.enter);
    if (p->isVisible() && expected != "EXIT") {
      ASSERT_TRUE(p->Command1->isEnabled());
      p->Command1->click();
    }
    if (p->isVisible()) p->Command2->click();
  });
  EXPECT_EQ(run_file_picker("t"), expected);
  if (expected == "EXIT") {
    EXPECT_TRUE(message.startsWith("No such folder or file:\n")) << message.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TypedFilePath,
    testing::Values(TypedRow{"absolute_enter", "@/a.txt", true, "@/a.txt"},
                    TypedRow{"absolute_then_ok", "@/a.txt", false, "@/a.txt"},
                    TypedRow{"hidden_folder_file", "@/.config/c.txt", true, "@/.config/c.txt"},
                    TypedRow{"relative_to_shown", "sub/../a.txt", true, "@/a.txt"},
                    TypedRow{"file_url", "file://@/a.txt", true, "@/a.txt"},
                    TypedRow{"nothing_there", "@/missing.txt", true, "EXIT"}),
    [](const testing::TestParamInfo<TypedRow>& info) { return std::string(info.param.name); });

TEST_F(PickerExtras, TypedFolderIsShownAndTakenByTheFolderPicker) {
  when_window<frm_getfolder>([&](frm_getfolder* p) {
    type_path(p->lists, root_ + "/.config", true);
    EXPECT_TRUE(p->isVisible());  // Enter goes there; it does not close the picker
    EXPECT_EQ(p->lists->shown_folder(), root_ + "/.config");
    EXPECT_EQ(entries_of(p->lists->File1), QStringList({"c.txt"}));
    type_path(p->lists, root_ + "/sub", false);  // pasted, then "&Ok" at once
    p->Command1->click();
  });
  EXPECT_EQ(run_folder_picker("t"), root_ + "/sub/");
}

TEST_F(PickerExtras, TildeIsTheHomeFolder) {
  when_window<frm_getfolder>([&](frm_getfolder* p) {
    EXPECT_EQ(p->lists->resolve_typed_path("~"), QDir::homePath());
    EXPECT_EQ(p->lists->resolve_typed_path("~/x/../y"), QDir::homePath() + "/y");
    p->Command2->click();
  });
  run_folder_picker("t");
}

TEST_F(PickerExtras, NothingRememberedOpensAtHome) {
  set_remembered_folder(QString());
  EXPECT_EQ(remembered_folder(), with_trailing_slash(QDir::homePath()));
  when_window<frm_getfolder>([&](frm_getfolder* p) { p->Command1->click(); });
  EXPECT_EQ(run_folder_picker("t"), with_trailing_slash(QDir::homePath()));
  // The folder is kept in the settings file, so a later run opens there too.
  set_remembered_folder(root_ + "/sub");
  EXPECT_EQ(stored_picker_folder(), root_ + "/sub/");
}

TEST_F(PickerExtras, SizeAndColumnWidthsAreRememberedPerPicker) {
  when_window<frm_getfile>([&](frm_getfile* p) {
    p->resize(500, 300);
    auto* columns = p->findChild<QSplitter*>("columns");
    ASSERT_NE(columns, nullptr);
    columns->setSizes({150, 330});
    p->Command2->click();
  });
  run_file_picker("t");
  const QList<int> widths = stored_picker_columns("file_picker");
  ASSERT_EQ(widths.size(), 2);
  EXPECT_LT(widths[0], widths[1]);
  when_window<frm_getfile>([&](frm_getfile* p) {
    EXPECT_EQ(p->size(), QSize(500, 300));
    EXPECT_EQ(p->findChild<QSplitter*>("columns")->sizes(), widths);
    p->Command2->click();
  });
  run_file_picker("t");
  // The folder picker keeps its own.
  when_window<frm_getfolder>([&](frm_getfolder* p) {
    EXPECT_NE(p->size(), QSize(500, 300));
    p->Command2->click();
  });
  run_folder_picker("t");
}

TEST_F(PickerExtras, LongNamesAreShownWhole) {
  const QString name = QString(90, u'n') + ".txt";
  ASSERT_TRUE(test::write_bytes(root_ + "/" + name, "x"));
  ASSERT_TRUE(QDir(root_).mkpath(QString(70, u'f')));
  when_window<frm_getfile>([&](frm_getfile* p) {
    const QFontMetrics metrics(p->lists->File1->font());
    EXPECT_EQ(p->lists->File1->textElideMode(), Qt::ElideNone);
    EXPECT_GE(p->lists->Dir1->header()->sectionSize(0),
              QFontMetrics(p->lists->Dir1->font()).horizontalAdvance(QString(70, u'f')));
    QListWidgetItem* item = test::item_named(p->lists->File1, name);
    ASSERT_NE(item, nullptr);
    EXPECT_GE(p->lists->File1->visualItemRect(item).width(), metrics.horizontalAdvance(name));
    EXPECT_EQ(item->toolTip(), name);
    p->Command2->click();
  });
  run_file_picker("t");
}

// A desktop with a default mail program: a mimeapps.list and a desktop entry in folders of
// the test's own, and the program it names.
class DesktopMailer : public PickerExtras {
 protected:
  void SetUp() override {
    PickerExtras::SetUp();
    const QString config = root_ + "/xdg-config";
    const QString data = root_ + "/xdg-data";
    ASSERT_TRUE(QDir().mkpath(config));
    ASSERT_TRUE(QDir().mkpath(data + "/applications"));
    ASSERT_TRUE(QDir().mkpath(root_ + "/bin"));
    program_ = root_ + "/bin/my mailer";
    ASSERT_TRUE(test::write_bytes(program_, "#!/bin/sh\n"));
    QFile(program_).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(test::write_bytes(config + "/mimeapps.list",
                                  "[Default Applications]\nx-scheme-handler/mailto=test-mailer.desktop;\n"));
    ASSERT_TRUE(test::write_bytes(data + "/applications/test-mailer.desktop",
                                  "[Desktop Entry]\nType=Application\nName=Mailer\nExec=\"" +
                                      program_.toUtf8() + "\" %u\n"));
    saved_config_ = qgetenv("XDG_CONFIG_HOME");
    saved_data_ = qgetenv("XDG_DATA_HOME");
    settings_ = settings_file_path();
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
  }
  void TearDown() override {
    qputenv("XDG_CONFIG_HOME", saved_config_);
    qputenv("XDG_DATA_HOME", saved_data_);
  }

  QString program_;
  QString settings_;
  QByteArray saved_config_;
  QByteArray saved_data_;
};

TEST_F(DesktopMailer, TheDefaultMailtoHandlerIsResolvedToItsProgram) {
  EXPECT_EQ(default_mailto_entry(), "test-mailer.desktop");
  EXPECT_EQ(desktop_mail_program(), program_);
  EXPECT_EQ(program_of_desktop_entry("missing.desktop"), QString());
  EXPECT_EQ(program_of_desktop_entry("../test-mailer.desktop"), QString());
}

TEST_F(DesktopMailer, ClientPickerTakesItWithOneButton) {
  ProgramSettings settings;
  when_window<frm_getfile>([](frm_getfile* p) {
    auto* button = p->findChild<QPushButton*>("desktop_mailer");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "Desktop's &Mail Program");
    button->click();
  });
  EXPECT_TRUE(run_client_picker(settings));
  EXPECT_EQ(settings.email_client, program_);
}

TEST_F(DesktopMailer, WithoutADefaultTheClientPickerSaysSoAndStaysOpen) {
  ASSERT_TRUE(QFile::remove(root_ + "/xdg-config/mimeapps.list"));
  qputenv("XDG_CONFIG_DIRS", root_.toUtf8() + "/none");
  qputenv("XDG_DATA_DIRS", root_.toUtf8() + "/none");
  ProgramSettings settings;
  settings.email_client = "/usr/bin/old";
  QString message;
  when_window<frm_getfile>([&](frm_getfile* p) {
    expect_message(&message, p);
    p->findChild<QPushButton*>("desktop_mailer")->click();
    EXPECT_TRUE(p->isVisible());
    p->Command2->click();
  });
  EXPECT_FALSE(run_client_picker(settings));
  qunsetenv("XDG_CONFIG_DIRS");
  qunsetenv("XDG_DATA_DIRS");
  EXPECT_EQ(message, "This desktop names no default mail program.");
  EXPECT_EQ(settings.email_client, "/usr/bin/old");
}

}  // namespace
}  // namespace halvex
