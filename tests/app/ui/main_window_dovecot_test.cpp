// The main window against the test Dovecot: two accounts, and the first activation
// filters both at once, deleting what the rules mark.
#include "main_window_rig.h"

#include "engine/engine_texts.h"

#include "net/dovecot_fixture.h"

#include <QPushButton>

#include <gtest/gtest.h>

namespace halvex {
namespace {

class MainWindowDovecotTest : public testnet::DovecotTest {
protected:
  test::MainWindowRig rig;
};

TEST_F(MainWindowDovecotTest, StartUpWithTwoAccountsFiltersBothAtTheFirstActivation) {
  dovecot().maildir().add("From: Deals <offers@bulk.example>\r\nTo: me@home.example\r\nSubject: Won\r\n\r\nx\r\n");
  dovecot().maildir().add("From: Amy <amy@friends.example>\r\nTo: me@home.example\r\nSubject: Lunch\r\n\r\nx\r\n");
  const QString server = QString::fromStdString(dovecot().address());
  rig.add_account(test::account_on("home", server, QString::fromStdString(dovecot().user().name),
                                   QString::fromStdString(dovecot().user().password), {"bulk.example"}));
  rig.add_account(test::account_on("work", server, QString::fromStdString(dovecot().apop_user().name),
                                   QString::fromStdString(dovecot().apop_user().password)));
  frm_main& w = rig.load();
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  ASSERT_TRUE(rig.wait_logged(texts::kExitCycle, 30000));
  const QStringList lines = rig.texts();
  EXPECT_EQ(lines.first(), texts::kFilteringOn);
  EXPECT_TRUE(lines.contains("Message 1 of 2 in account: home marked for deletion.")) << lines.join('\n').toStdString();
  EXPECT_TRUE(lines.contains("Processed 2 of 2 in account: home"));
  EXPECT_TRUE(lines.contains("Total emails in account 'work' = 0"));
  EXPECT_EQ(rig.count_of("Disconnecting from account: home") + rig.count_of("Disconnecting from account: work"), 2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return dovecot().maildir().count() == 1; }, 5000));
  EXPECT_EQ(w.Command9->text(), texts::kStopCaption);
  EXPECT_FALSE(w.Command2->isEnabled());
}

}  // namespace
}  // namespace halvex
