// Opening a target the way the desktop shell would: programs started, URLs and
// files handed to their default handler.
#include "ui/shell_open.h"
#include "url_catcher.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace halvex {
namespace {

using test::UrlCatcher;

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
  UrlCatcher browser({"file"});
  EXPECT_EQ(shell_open(path("client.sh")), kShellOpenOk);
  EXPECT_TRUE(QTest::qWaitFor([&] { return QFile(path("ran")).size() > 0; }, 5000));
  QFile ran(path("ran"));
  ASSERT_TRUE(ran.open(QIODevice::ReadOnly));
  EXPECT_EQ(ran.readAll(), "0\n");
  EXPECT_TRUE(browser.urls.isEmpty());
}

TEST_F(ShellOpen, HandsUrlsAndDocumentsToTheirHandler) {
  write("notes.txt", "text", false);
  UrlCatcher handler({"https", "mailto", "file"});
  EXPECT_EQ(shell_open("https://example.org/a b?x=1"), kShellOpenOk);
  EXPECT_EQ(shell_open("mailto:ann@example.org"), kShellOpenOk);
  EXPECT_EQ(shell_open(path("notes.txt")), kShellOpenOk);
  EXPECT_EQ(shell_open(path("no such file; rm -rf x")), kShellOpenOk);
  EXPECT_EQ(handler.urls,
            (QList<QUrl>{QUrl("https://example.org/a b?x=1"), QUrl("mailto:ann@example.org"),
                         QUrl::fromLocalFile(path("notes.txt")),
                         QUrl::fromLocalFile(path("no such file; rm -rf x"))}));
  EXPECT_FALSE(QFile::exists(path("x")));
}

TEST_F(ShellOpen, FailsWithoutAHandlerOrTarget) {
  // The offscreen platform opens no URL by itself.
  EXPECT_EQ(shell_open("https://example.org/"), kShellOpenFailed);
  EXPECT_EQ(shell_open(QString()), kShellOpenFailed);
  EXPECT_LT(shell_open(path("missing.txt")), 32);
}

}  // namespace
}  // namespace halvex
