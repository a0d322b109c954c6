// The about box: its texts, "&OK", and the web buttons with and without a browser.
#include "ui/frm_about.h"
#include "ui/frm_msgbox.h"
#include "accounts/version.h"
#include "qt/modal.h"
#include "url_catcher.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

namespace halvex {
namespace {

using test::UrlCatcher;
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

TEST(AboutBox, WebButtonsOpenTheirPagesInTheBrowser) {
  UrlCatcher browser({"https", "http"});
  frm_About about;
  about.show();
  about.cmdHomePage->click();
  about.cmdSupport->click();
  EXPECT_EQ(browser.urls, (QList<QUrl>{QUrl(kHomePageUrl), QUrl(kSupportPageUrl)}));
  EXPECT_TRUE(about.isVisible()) << "opening a page leaves the box open";
}

TEST(AboutBox, WebButtonWithoutABrowserShowsTheMessage) {
  // The offscreen platform has no browser, so opening a page fails.
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
