// The about box: its texts, "&OK", and the buttons that open the help page and the README,
// with and without a program to open them.
#include "ui/frm_about.h"
#include "ui/frm_msgbox.h"
#include "accounts/version.h"
#include "qt/modal.h"
#include "accounts/app_folder.h"
#include "qt/fake_opener.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

namespace halvex {
namespace {

using test::FakeOpener;
using test::when_modal;

TEST(AboutBox, ShowsNameVersionAndNotice) {
  frm_About about;
  EXPECT_EQ(about.windowTitle(), "About Halvex");
  EXPECT_EQ(about.lblTitle->text(), "Halvex");
  EXPECT_TRUE(QRegularExpression("^Version [0-9]+\\.[0-9]+\\.[0-9]+$")
                  .match(about.lblVersion->text())
                  .hasMatch())
      << about.lblVersion->text().toStdString();
  EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version %1.%2.%3")
                                          .arg(HALVEX_VERSION_MAJOR)
                                          .arg(HALVEX_VERSION_MINOR)
                                          .arg(HALVEX_VERSION_PATCH));
  EXPECT_TRUE(about.lblDisclaimer->text().contains("copyright"));
  EXPECT_EQ(about.cmdOK->text(), "&OK");
}

TEST(AboutBox, OkClosesTheModalBox) {
  frm_About about;
  when_modal([&](QWidget* w) {
    EXPECT_EQ(w, &about);
    about.cmdOK->click();
  });
  EXPECT_EQ(about.exec(), QDialog::Accepted);
}

TEST(AboutBox, PageButtonsOpenTheHelpPageAndTheReadmeThatExist) {
  ASSERT_FALSE(resolve_app_folder().isEmpty());
  QFile help(help_page_path());
  ASSERT_TRUE(help.open(QIODevice::WriteOnly));  // as the program writes it at start
  help.write("<html>help</html>");
  help.close();
  QFile::remove(readme_path());
  const FakeOpener opener(0);
  frm_About about;
  about.show();
  EXPECT_EQ(about.cmdHomePage->text(), "&Help Page");
  EXPECT_EQ(about.cmdSupport->text(), "&Read Me");
  about.cmdHomePage->click();
  about.cmdSupport->click();
  EXPECT_EQ(opener.opened(), (QStringList{help_page_path(), readme_path()}));
  for (const QString& page : opener.opened()) EXPECT_TRUE(QFile::exists(page)) << page.toStdString();
  QFile readme(readme_path());
  ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
  EXPECT_TRUE(readme.readAll().startsWith("# Halvex\n"));
  EXPECT_TRUE(about.isVisible()) << "opening a page leaves the box open";
}

TEST(AboutBox, PageButtonWithoutAProgramForThePageShowsTheMessage) {
  ASSERT_FALSE(resolve_app_folder().isEmpty());
  const FakeOpener opener(3);  // the desktop has no program for it
  frm_About about;
  about.show();
  bool shown = false;
  when_modal(
      [&](QWidget* w) {
        auto* box = qobject_cast<frm_msgbox*>(w);
        ASSERT_NE(box, nullptr);
        shown = true;
        EXPECT_EQ(box->Label1->text(),
                  "Error Launching Your Default Browser!\n\n"
                  "Please make sure you have a DEFAULT browser selected and try again.");
        EXPECT_EQ(box->parentWidget(), &about);
        box->Command1->click();
      },
      &about);
  about.cmdSupport->click();
  EXPECT_TRUE(shown);
  EXPECT_TRUE(about.isVisible());
}

}  // namespace
}  // namespace halvex
