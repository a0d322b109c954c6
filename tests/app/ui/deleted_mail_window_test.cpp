// The Deleted Mail window over a prepared quarantine: the list, search and account filter,
// and each action on the selected rows (Open, Save As, Delete for Good, Stop Deleting Mail
// Like This), by button and by key.
#include "ui/deleted_mail_window.h"

#include "quarantine/quarantine.h"

#include "accounts/account_file.h"

#include "qt/modal.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace halvex {
namespace {

QByteArray read_all(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void answer(QMessageBox::StandardButton button, QString* text = nullptr) {
  test::when_modal([button, text](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    if (text) *text = box->text();
    box->button(button)->click();
  });
}

class DeletedMailWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    folder = dir.filePath("halvex") + '/';
    ASSERT_TRUE(QDir().mkpath(folder));
    qputenv("VELMO_MAILFOLDERS", dir.filePath("MailFolders").toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());

    AccountRecord home;
    home.description = "home";
    home.subject_list = {"win", "other"};
    ASSERT_TRUE(save_account(folder, "home", home));
    AccountRecord work;
    work.description = "work";
    work.gate_mode = 1;
    work.from_list = {"@friends.example"};
    ASSERT_TRUE(save_account(folder, "work", work));

    Quarantine q(QuarantineSettings{}, folder);
    add(q, "home", "lottery@prize.example", "You WIN a lottery", "subject", "Subject", "win", 3);
    add(q, "work", "stranger@else.example", "Hello", "gate", "From", "", 2);
    add(q, "home", "deals@spam.example", "Deals", "subject", "Subject", "other", 1);
  }
  void TearDown() override {
    qunsetenv("VELMO_MAILFOLDERS");
    qunsetenv("XDG_CONFIG_HOME");
  }

  void add(Quarantine& q, const QString& account, const QString& sender, const QString& subject, const QString& rule,
           const QString& list, const QString& phrase, int minutes_ago) {
    // The body in raw Latin-1 with a lone 0xFF: Open and Save As must give these bytes back.
    const QByteArray message =
        ("From: " + sender + "\r\nSubject: " + subject + "\r\n\r\n").toUtf8() + "caf\xE9 \xFF body\r\n";
    DeletionRecord r;
    r.id = *q.keep(account, message);
    r.time = QDateTime::currentDateTimeUtc().addSecs(-60 * minutes_ago);
    r.account = account;
    r.sender = sender;
    r.subject = subject;
    r.size = message.size();
    r.rule = rule;
    r.list = list;
    r.phrase = phrase;
    r.reason = rule + " rule";
    r.copy = kCopyFull;
    ASSERT_TRUE(q.record(r));
    copies[subject] = message;
    ids[subject] = r.id;
  }

  // Selects the rows whose subject is one of `subjects`.
  void select(DeletedMailWindow& w, const QStringList& subjects) {
    w.table->clearSelection();
    for (int row = 0; row < w.shown_rows(); ++row)
      if (subjects.contains(w.table->model()->index(row, kColSubject).data().toString()))
        w.table->selectionModel()->select(w.table->model()->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  QStringList subjects_shown(DeletedMailWindow& w) {
    QStringList out;
    for (int row = 0; row < w.shown_rows(); ++row) out << w.table->model()->index(row, kColSubject).data().toString();
    return out;
  }
  QString copy_path(const QString& account, const QString& subject) {
    return QuarantineStore().file_path(account, ids[subject]);
  }

  QTemporaryDir dir;
  QString folder;
  QMap<QString, QByteArray> copies;
  QMap<QString, QString> ids;
};

TEST_F(DeletedMailWindowTest, ListsNewestFirstWithSearchAndAccountFilter) {
  DeletedMailWindow w(folder);
  EXPECT_EQ(w.windowTitle(), "Deleted Mail");
  EXPECT_EQ(subjects_shown(w), (QStringList{"Deals", "Hello", "You WIN a lottery"}));
  w.search->setText("LOTTERY");
  EXPECT_EQ(subjects_shown(w), QStringList{"You WIN a lottery"});
  w.search->clear();
  w.account_filter->setCurrentText("work");
  EXPECT_EQ(subjects_shown(w), QStringList{"Hello"});
  w.account_filter->setCurrentIndex(0);
  w.table->sortByColumn(kColSender, Qt::AscendingOrder);
  EXPECT_EQ(subjects_shown(w), (QStringList{"Deals", "You WIN a lottery", "Hello"}));
}

TEST_F(DeletedMailWindowTest, OpenAndSaveAsGiveTheKeptBytes) {
  DeletedMailWindow w(folder);
  QStringList opened;
  w.open_file = [&](const QString& path) {
    opened << path;
    return 33;
  };
  select(w, {"Deals"});
  w.open_button->click();
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(read_all(opened.front()), copies["Deals"]);
  // Enter on the table opens too.
  w.table->setFocus();
  QTest::keyClick(w.table, Qt::Key_Return);
  EXPECT_EQ(opened.size(), 2);

  const QString file = dir.filePath("saved.eml");
  w.choose_save_path = [&](const QString& suggested, bool to_folder) {
    EXPECT_FALSE(to_folder);
    EXPECT_EQ(suggested, ids["Deals"] + ".eml");
    return file;
  };
  w.save_button->click();
  EXPECT_EQ(read_all(file), copies["Deals"]);

  // Several rows go into a folder, each under its own name.
  ASSERT_TRUE(QDir(dir.path()).mkdir("many"));
  w.choose_save_path = [&](const QString&, bool to_folder) {
    EXPECT_TRUE(to_folder);
    return dir.filePath("many");
  };
  select(w, {"Deals", "Hello"});
  w.save_button->click();
  EXPECT_EQ(read_all(dir.filePath("many/" + ids["Hello"] + ".eml")), copies["Hello"]);
  EXPECT_EQ(read_all(dir.filePath("many/" + ids["Deals"] + ".eml")), copies["Deals"]);
}

TEST_F(DeletedMailWindowTest, DeleteForGoodRemovesTheCopyAfterConfirmation) {
  DeletedMailWindow w(folder);
  select(w, {"Deals"});
  answer(QMessageBox::No);
  w.forget_button->click();
  EXPECT_TRUE(QFile::exists(copy_path("home", "Deals")));
  EXPECT_EQ(w.shown_rows(), 3);

  answer(QMessageBox::Yes);
  w.forget_button->click();
  EXPECT_FALSE(QFile::exists(copy_path("home", "Deals")));
  EXPECT_EQ(subjects_shown(w), (QStringList{"Hello", "You WIN a lottery"}));
  EXPECT_FALSE(DeletionJournal(folder).find(ids["Deals"]).has_value());

  // The Delete key does the same.
  select(w, {"Hello"});
  w.table->setFocus();
  answer(QMessageBox::Yes);
  QTest::keyClick(w.table, Qt::Key_Delete);
  EXPECT_EQ(subjects_shown(w), QStringList{"You WIN a lottery"});
  EXPECT_TRUE(QFile::exists(copy_path("home", "You WIN a lottery")));
}

TEST_F(DeletedMailWindowTest, StopDeletingChangesTheAccountAfterNamingTheChange) {
  DeletedMailWindow w(folder);
  select(w, {"You WIN a lottery"});
  QString question;
  answer(QMessageBox::Yes, &question);
  w.stop_rule_button->click();
  EXPECT_EQ(question, "Remove the phrase \"win\" from the Subject list of the account \"home\"?");
  AccountRecord home;
  ASSERT_TRUE(load_account(folder, "home", home));
  EXPECT_EQ(home.subject_list, QStringList{"other"});

  select(w, {"Hello"});
  answer(QMessageBox::Yes, &question);
  w.stop_rule_button->click();
  EXPECT_EQ(question,
            "Add \"stranger@else.example\" to the From list of the account \"work\", so that mail from this sender "
            "is kept?");
  AccountRecord work;
  ASSERT_TRUE(load_account(folder, "work", work));
  EXPECT_EQ(work.from_list, (QStringList{"@friends.example", "stranger@else.example"}));

  // Refused, nothing changes.
  select(w, {"Deals"});
  answer(QMessageBox::No);
  w.stop_rule_button->click();
  ASSERT_TRUE(load_account(folder, "home", home));
  EXPECT_EQ(home.subject_list, QStringList{"other"});
}

}  // namespace
}  // namespace halvex
