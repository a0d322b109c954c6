// A picture of the main window during a cycle against the test Dovecot, for the README:
//   xvfb-run -a -s "-screen 0 1280x900x24" env QT_QPA_PLATFORM=xcb halvex_main_window_screenshot docs/main-window.png
// Needs root (the private Dovecot).
#include "main_window_rig.h"

#include "net/dovecot_harness.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: halvex_main_window_screenshot OUT.png\n", stderr);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QApplication app(argc, argv);
  halvex::testnet::DovecotHarness dovecot;
  auto& box = dovecot.maildir();
  for (int i = 1; i <= 6; ++i) {
    const bool spam = i % 3 == 0;
    box.add(std::string("From: ") + (spam ? "Deals <offers@bulk-deals.example>" : "Amy <amy@friends.example>") +
            "\r\nTo: me@home.example\r\nSubject: " + (spam ? "You have won!" : "Lunch on Friday?") +
            "\r\n\r\nHello\r\n");
  }
  halvex::test::MainWindowRig rig;
  const QString server = QString::fromStdString(dovecot.address());
  rig.add_account(halvex::test::account_on("home@example.org", server, QString::fromStdString(dovecot.user().name),
                                           QString::fromStdString(dovecot.user().password), {"bulk-deals.example"}));
  rig.add_account(halvex::test::account_on("work@example.org", server, QString::fromStdString(dovecot.apop_user().name),
                                           QString::fromStdString(dovecot.apop_user().password)));
  rig.settings.server_timeout = 30;
  bool saved = false;
  rig.on_line("Processed 5 of 6", [&] {
    QApplication::processEvents();
    QTest::qWait(200);
    saved = rig.window->grab().save(out);
  });
  halvex::frm_main& w = rig.load();
  w.show();
  (void)QTest::qWaitForWindowExposed(&w);
  QTest::qWait(300);
  if (w.autostart_pending() == 1) w.Command9->click();  // a bare X server activates nothing
  rig.wait_logged(QStringLiteral("Exit out of filter process."), 30000);
  std::printf("%s %s\n", saved ? "saved" : "NOT saved", qPrintable(out));
  return saved ? 0 : 1;
}
