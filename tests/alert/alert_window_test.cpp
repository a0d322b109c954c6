// The alert window in process: what it shows, and its two buttons.
#include "alert_start.h"
#include "alert_window.h"
#include "shell_open.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "qt_print.h"
#include "qt/fake_opener.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

namespace halvex::alert {
namespace {

struct SeenBox {
  QString title;
  QString text;
};

// Runs click() and answers the message box it opens, if any, with OK.
std::optional<SeenBox> answer_message_box(const std::function<void()>& click) {
  std::optional<SeenBox> seen;
  QTimer timer;
  timer.setInterval(20);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen = SeenBox{box->windowTitle(), box->text()};
    timer.stop();
    box->accept();
  });
  timer.start();
  click();
  timer.stop();
  return seen;
}

QPushButton* button(AlertWindow& window, const char* name) {
  return window.findChild<QPushButton*>(QLatin1String(name));
}

QStringList lock_files(const QString& folder) {
  return QDir(folder).entryList({u"*.lck"_qs}, QDir::Files, QDir::Name);
}

class AlertWindowTest : public testing::Test {
 protected:
  QString folder() const { return dir_.path() + u'/'; }
  AlertStart start(const QString& text) { return start_alert(text, folder()); }

  QTemporaryDir dir_;
};

TEST_F(AlertWindowTest, ShowsTitleHeadingAndTheThreeFields) {
  AlertWindow window(start(u"ann@example.com<--->Work<///>Re: lunch"_qs), QString());
  window.show();
  EXPECT_EQ(window.windowTitle(), u"Halvex Email Alert"_qs);
  EXPECT_EQ(window.findChild<QLabel*>(u"heading"_qs)->text(), u"Email Alert!"_qs);
  EXPECT_EQ(window.shown_values(),
            (QStringList{u"ann@example.com"_qs, u"Work"_qs, u"Re: lunch"_qs}));
  EXPECT_EQ(button(window, "close_button")->text(), u"&Close"_qs);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull());
}

TEST_F(AlertWindowTest, MailTextIsShownAsPlainTextNeverAsMarkup) {
  const QString subject = u"<b>WIN</b> <a href=\"file:///etc/passwd\">&prize</a>"_qs;
  AlertWindow window(start(u"x<--->y<///>"_qs + subject), QString());
  auto* label = window.findChild<QLabel*>(u"subject"_qs);
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
  EXPECT_EQ(label->text(), subject);
  EXPECT_FALSE(label->openExternalLinks());
}

TEST_F(AlertWindowTest, CorruptStartShowsTheMessageInAllThreeFields) {
  AlertWindow window(start(u"no markers here"_qs), QString());
  const QString corrupt = u"Corrupt command line!"_qs;
  EXPECT_EQ(window.shown_values(), (QStringList{corrupt, corrupt, corrupt}));
}

TEST_F(AlertWindowTest, LaunchButtonOnlyWithAConfiguredClient) {
  AlertWindow without(start(u"a<--->b<///>c"_qs), QString());
  without.show();
  EXPECT_FALSE(button(without, "launch_button")->isVisible());
  EXPECT_TRUE(button(without, "close_button")->isVisible());
  AlertWindow with(start(u"a<--->b<///>d"_qs), u"/usr/bin/mailer"_qs);
  with.show();
  EXPECT_TRUE(button(with, "launch_button")->isVisible());
  EXPECT_EQ(button(with, "launch_button")->text(), u"&Launch Email Client"_qs);
}

TEST_F(AlertWindowTest, CloseRemovesOnlyItsOwnLockAndCloses) {
  const AlertStart other = start(u"a<--->b<///>other"_qs);
  const AlertStart mine = start(u"a<--->b<///>mine"_qs);
  ASSERT_EQ(mine.outcome, StartOutcome::show);
  AlertWindow window(mine, QString());
  window.show();
  const auto box = answer_message_box([&] { button(window, "close_button")->click(); });
  EXPECT_FALSE(box.has_value());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(lock_files(folder()), QStringList{u"a_other.lck"_qs});
  // Once closed, the same alert shows a window again.
  EXPECT_EQ(start(u"a<--->b<///>mine"_qs).outcome, StartOutcome::show);
}

TEST_F(AlertWindowTest, TitleBarCloseActsLikeCloseButton) {
  const AlertStart mine = start(u"a<--->b<///>mine"_qs);
  ASSERT_EQ(mine.outcome, StartOutcome::show);
  EXPECT_EQ(start(u"a<--->b<///>mine"_qs).outcome, StartOutcome::silent_end);
  AlertWindow window(mine, QString());
  window.show();
  ASSERT_NE(window.windowHandle(), nullptr);
  // What the window manager's close box asks for: a close of the platform window.
  window.windowHandle()->close();
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(lock_files(folder()).isEmpty());
  EXPECT_FALSE(mine.lock->held());
  EXPECT_EQ(start(u"a<--->b<///>mine"_qs).outcome, StartOutcome::show);
}

TEST_F(AlertWindowTest, CloseAfterCorruptStartLeavesEveryLockAlone) {
  ASSERT_EQ(start(u"a<--->b<///>c"_qs).outcome, StartOutcome::show);
  AlertWindow window(start(u"a<--->b c"_qs), QString());
  window.show();
  button(window, "close_button")->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(lock_files(folder()), QStringList{u"a_c.lck"_qs});
}

// Makes a folder's entries impossible to delete for this process: write permission taken away,
// or, for root, the immutable attribute. Undone at the end.
class UndeletableFolder {
 public:
  explicit UndeletableFolder(const QString& path) : path_(QFile::encodeName(path)) {
    if (geteuid() != 0) {
      active_ = chmod(path_.constData(), 0555) == 0;
      by_mode_ = true;
      return;
    }
    fd_ = open(path_.constData(), O_RDONLY | O_DIRECTORY);
    if (fd_ < 0 || ioctl(fd_, FS_IOC_GETFLAGS, &flags_) != 0) return;
    int immutable = flags_ | FS_IMMUTABLE_FL;
    active_ = ioctl(fd_, FS_IOC_SETFLAGS, &immutable) == 0;
  }
  ~UndeletableFolder() {
    if (active_ && by_mode_) chmod(path_.constData(), 0755);
    if (active_ && !by_mode_) ioctl(fd_, FS_IOC_SETFLAGS, &flags_);
    if (fd_ >= 0) close(fd_);
  }
  bool active() const { return active_; }

 private:
  QByteArray path_;
  int fd_ = -1;
  int flags_ = 0;
  bool by_mode_ = false;
  bool active_ = false;
};

TEST_F(AlertWindowTest, LockThatCannotBeRemovedIsReportedAndTheWindowClosesAnyway) {
  const AlertStart mine = start(u"Ann<--->b<///>Hello"_qs);
  ASSERT_EQ(mine.outcome, StartOutcome::show);
  AlertWindow window(mine, QString());
  window.show();
  std::optional<SeenBox> box;
  {
    const UndeletableFolder guard(dir_.path());
    if (!guard.active()) {
      GTEST_SKIP() << "cannot make a folder undeletable here";
    }
    box = answer_message_box([&] { button(window, "close_button")->click(); });
  }
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, u"Error!"_qs);
  EXPECT_EQ(box->text, u"Error removing lock file!\n\n"_qs + folder() + u"ann_hello.lck"_qs);
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(QFileInfo::exists(mine.lock_path));
}

TEST_F(AlertWindowTest, ClientThatCannotStartIsReportedAndTheWindowStays) {
  AlertWindow window(start(u"a<--->b<///>c"_qs), folder() + u"no-such-mailer"_qs);
  window.show();
  const auto box = answer_message_box([&] { button(window, "launch_button")->click(); });
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, u"Halvex"_qs);
  EXPECT_EQ(box->text, u"Error Launching Email Client!"_qs);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(lock_files(folder()), QStringList{u"a_c.lck"_qs});
}

// Writes an executable script that records its argument count in `marker`.
QString write_client(const QString& path, const QString& marker) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write("#!/bin/sh\necho $# > '" + QFile::encodeName(marker) + "'\n");
  file.close();
  file.setPermissions(file.permissions() | QFile::ExeOwner);
  return path;
}

QByteArray wait_for_marker(const QString& marker) {
  if (!QTest::qWaitFor([&] { return QFileInfo(marker).size() > 0; }, 10000)) return {};
  QFile file(marker);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(AlertWindowTest, LaunchStartsTheClientWithoutArgumentsAndStays) {
  const QString marker = folder() + u"ran"_qs;
  const QString client = write_client(folder() + u"mailer"_qs, marker);
  AlertWindow window(start(u"a<--->b<///>c"_qs), client);
  window.show();
  const auto box = answer_message_box([&] { button(window, "launch_button")->click(); });
  EXPECT_FALSE(box.has_value());
  EXPECT_EQ(wait_for_marker(marker), QByteArray("0\n"));
  EXPECT_TRUE(window.isVisible());
}

TEST_F(AlertWindowTest, ClientLinkWithoutAProgramForItIsReported) {
  // An e-mail client given as a link goes to the desktop's opener, whose verdict counts.
  AlertWindow window(start(u"a<--->b<///>c"_qs), u"mailto:"_qs);
  window.show();
  {
    const test::FakeOpener none_for_it(3);
    const auto box = answer_message_box([&] { button(window, "launch_button")->click(); });
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, u"Error Launching Email Client!"_qs);
    EXPECT_EQ(none_for_it.opened(), QStringList{u"mailto:"_qs});
  }
  const test::FakeOpener opener(0);
  EXPECT_FALSE(answer_message_box([&] { button(window, "launch_button")->click(); }).has_value());
  EXPECT_EQ(opener.opened(), QStringList{u"mailto:"_qs});
  EXPECT_TRUE(window.isVisible());
}

struct ShellRow {
  const char* name;
  const char* target;  // relative to the test folder; "" stays empty
  int result;
};

class ShellOpen : public testing::TestWithParam<ShellRow> {};

TEST_P(ShellOpen, FailsBelowThirtyTwo) {
  QTemporaryDir dir;
  const QString target = *GetParam().target ? dir.filePath(QString::fromUtf8(GetParam().target))
                                            : QString();
  EXPECT_EQ(shell_open(target), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Rows, ShellOpen,
                         testing::Values(ShellRow{"empty", "", shell_open_failed},
                                         ShellRow{"missing_file", "nothing", shell_open_failed},
                                         ShellRow{"missing_in_missing_folder", "no/where",
                                                  shell_open_failed}),
                         [](const testing::TestParamInfo<ShellRow>& info) {
                           return std::string(info.param.name);
                         });

TEST(ShellOpen, StartsAnExecutableByItsPathWithNoShell) {
  QTemporaryDir dir;
  const QString marker = dir.filePath(u"ran"_qs);
  // A shell would run the substitution in this name; a direct start just finds the file.
  const QString client = write_client(dir.filePath(u"mail $(touch pwned) client"_qs), marker);
  ASSERT_FALSE(client.isEmpty());
  EXPECT_EQ(shell_open(client), shell_open_succeeded);
  EXPECT_EQ(wait_for_marker(marker), QByteArray("0\n"));
  EXPECT_FALSE(QFileInfo::exists(u"pwned"_qs));
  EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"pwned"_qs)));
}

}  // namespace
}  // namespace halvex::alert
