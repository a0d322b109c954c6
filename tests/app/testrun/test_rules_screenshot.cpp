// A picture of the Test Rules window after a run against the test Dovecot, for the README:
//   xvfb-run -a -s "-screen 0 1280x900x24" env QT_QPA_PLATFORM=xcb halvex_test_rules_screenshot docs/test-rules.png
// Needs root (the private Dovecot).
#include "ui/test_rules_window.h"

#include "net/dovecot_harness.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: halvex_test_rules_screenshot OUT.png\n", stderr);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QApplication app(argc, argv);
  halvex::testnet::DovecotHarness dovecot;
  const char* mail[][2] = {
      {"Amy <amy@friends.example>", "Lunch on Friday?"},
      {"Deals <offers@bulk-deals.example>", "You have won!"},
      {"Bank <notice@bank.example>", "Your monthly statement"},
      {"Shop <news@shop.example>", "Cheap pills, today only"},
      {"Bob <bob@friends.example>", "Holiday photos"},
      {"Deals <offers@bulk-deals.example>", "Last chance"},
  };
  for (const auto& m : mail)
    dovecot.maildir().add(std::string("From: ") + m[0] + "\r\nTo: me@home.example\r\nSubject: " + m[1] +
                          "\r\n\r\nHello\r\n" + (std::string(m[1]) == "Holiday photos" ? std::string(300000, 'x') : ""));
  halvex::AccountRecord account;
  account.description = "home@example.org";
  account.server = QString::fromStdString(dovecot.address());
  account.user_id = QString::fromStdString(dovecot.user().name);
  account.password = QString::fromStdString(dovecot.user().password);
  account.from_list = {"bulk-deals.example"};
  account.subject_list = {"pills"};
  account.size_limit_on = 1;
  account.size_limit = 256 * 1024;
  account.alerts = {halvex::AlertRule{"statement", 0, {}, {}}};

  halvex::TestRulesWindow window;
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);
  window.run(account, 30);
  const bool over = QTest::qWaitFor([&] { return !window.running(); }, 30000);
  QTest::qWait(300);
  const bool saved = over && window.grab().save(out);
  std::printf("%s %s\n", saved ? "saved" : "NOT saved", qPrintable(out));
  return saved ? 0 : 1;
}
