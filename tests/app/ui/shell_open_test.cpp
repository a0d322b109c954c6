// Opening a target the way the desktop shell would: programs started, URLs and
// files handed to the desktop's opener, whose verdict is the result.
#include "ui/shell_open.h"
#include "qt/fake_opener.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace halvex {
namespace {

using test::FakeOpener;
using test::NoOpener;

class ShellOpen : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
  QString path(const QString& name) const { return dir_.filePath(name); }
  void write(const QString& name, const QByteArray& bytes, bool executable) const {
    QFile f(path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    if (executable)
      f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  }

 private:
  QTemporaryDir dir_;
};

TEST_F(ShellOpen, StartsAnExecutableFileWithoutArguments) {
  write("client.sh", "#!/bin/sh\necho \"$#\" > \"$(dirname \"$0\")/ran\"\n", true);
  const FakeOpener opener(0);
  EXPECT_EQ(shell_open(path("client.sh")), kShellOpenOk);
  EXPECT_TRUE(QTest::qWaitFor([&] { return QFile(path("ran")).size() > 0; }, 5000));
  QFile ran(path("ran"));
  ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
  EXPECT_EQ(ran.readAll(), "0\n");
  EXPECT_TRUE(opener.opened().isEmpty());
}

TEST_F(ShellOpen, HandsUrlsAndDocumentsToTheDesktopOpener) {
  write("notes.txt", "text", false);
  const FakeOpener opener(0);
  EXPECT_EQ(shell_open("https://example.org/a b?x=1"), kShellOpenOk);
  EXPECT_EQ(shell_open("mailto:ann@example.org"), kShellOpenOk);
  EXPECT_EQ(shell_open(path("notes.txt")), kShellOpenOk);
  // A file that is not there is not handed on: nothing could open it.
  EXPECT_EQ(shell_open(path("no such file; rm -rf x")), kShellOpenFailed);
  EXPECT_EQ(opener.opened(), (QStringList{"https://example.org/a b?x=1", "mailto:ann@example.org",
                                          path("notes.txt")}));
  EXPECT_FALSE(QFile::exists(path("x")));
}

struct VerdictRow {
  const char* name;
  int exit_code;
  int linger_seconds;
  int result;
};

class OpenerVerdict : public ShellOpen, public testing::WithParamInterface<VerdictRow> {};

TEST_P(OpenerVerdict, IsTheResult) {
  write("page.htm", "<p>", false);
  const FakeOpener opener(GetParam().exit_code, GetParam().linger_seconds);
  EXPECT_EQ(shell_open(path("page.htm")), GetParam().result);
  EXPECT_EQ(opener.opened(), QStringList{path("page.htm")});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OpenerVerdict,
    testing::Values(VerdictRow{"opened", 0, 0, kShellOpenOk},
                    VerdictRow{"no_program_for_it", 3, 0, kShellOpenFailed},
                    VerdictRow{"program_failed", 4, 0, kShellOpenFailed},
                    // Still running past the verdict time: it waits on the program it started.
                    VerdictRow{"waits_on_its_program", 0, 5, kShellOpenOk}),
    [](const testing::TestParamInfo<VerdictRow>& info) { return std::string(info.param.name); });

TEST_F(ShellOpen, FailsWithoutAnOpenerOrTarget) {
  write("page.htm", "<p>", false);
  {
    const NoOpener none;
    EXPECT_EQ(shell_open("https://example.org/"), kShellOpenFailed);
    EXPECT_EQ(shell_open(path("page.htm")), kShellOpenFailed);
  }
  {
    const FakeOpener refusing(3);
    EXPECT_EQ(shell_open("https://example.org/"), kShellOpenFailed);
    EXPECT_EQ(refusing.opened(), QStringList{"https://example.org/"});
  }
  const FakeOpener opener(0);
  EXPECT_EQ(shell_open(QString()), kShellOpenFailed);
  EXPECT_LT(shell_open(path("missing.txt")), 32);
  EXPECT_TRUE(opener.opened().isEmpty());
}

}  // namespace
}  // namespace halvex
