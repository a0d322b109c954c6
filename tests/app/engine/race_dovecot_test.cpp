// halvex --once against the test Dovecot while another client deletes a message between
// halvex's LIST and its TOP for that message. A relay holds halvex's TOP until the other
// client's DELE and QUIT are done, so the race happens every run, the same way.
#include "once_fixture.h"

#include "net/hold_proxy.h"
#include "net/raw_pop3_client.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace halvex {
namespace {

using testnet::Millis;

// The other client: logs in beside halvex, deletes message `number`, and quits, which makes
// Dovecot expunge it.
void delete_with_another_client(testnet::DovecotHarness& dovecot, int number) {
  testnet::RawPop3Client other(testnet::Family::v4, dovecot.port());
  ASSERT_TRUE(other.read_line().value_or("").starts_with("+OK"));
  ASSERT_TRUE(other.command("USER " + dovecot.user().name).value_or("").starts_with("+OK"));
  ASSERT_TRUE(other.command("PASS " + dovecot.user().password).value_or("").starts_with("+OK"));
  ASSERT_TRUE(other.command("DELE " + std::to_string(number)).value_or("").starts_with("+OK"));
  ASSERT_TRUE(other.command("QUIT").value_or("").starts_with("+OK"));
}

// The refusal is seen at once (Timeout is 30 s): the messages judged before it keep their
// verdicts, their spam is deleted when the component ends the session, and, as a failed
// header fetch does, it ends the account and the run reports a failure.
// With pipelining the TOP is sent ahead of the judging; without it, after message 3's DELE.
class RaceDovecotTest : public OnceDovecotTest, public ::testing::WithParamInterface<int> {};

TEST_P(RaceDovecotTest, MessageDeletedByAnotherClientBeforeItsHeaderIsReadIsRefusedAtOnce) {
  {
    QSettings store(home.filePath("config/Tarnell Halvex.ini"), QSettings::IniFormat);
    store.setValue("Options/pop3_pipelining", QString::number(GetParam()));
  }
  dovecot().maildir().add_all({mail("Deals <deals@spam.example>", "one"), mail("Amy <amy@ham.example>", "two"),
                               mail("Deals <deals@spam.example>", "three"), mail("Bob <bob@ham.example>", "four")});
  testnet::HoldProxy proxy(testnet::Family::v4, dovecot().port(), "TOP 4 0");
  AccountRecord r = account();
  r.server = QString::fromStdString(proxy.address());
  r.from_list = {"spam.example"};
  save(r);

  QProcess process;
  start(process, {"--once"});
  ASSERT_TRUE(proxy.wait_held(Millis(30000))) << "halvex never asked for the header of message 4";
  delete_with_another_client(dovecot(), 4);
  QElapsedTimer since_release;
  since_release.start();
  proxy.release();
  const OnceRun once = finish(process);
  const qint64 ms = since_release.elapsed();
  std::printf("[ race ] halvex --once ended %lld ms after its TOP 4 reached Dovecot (Timeout 30 s)\n",
              static_cast<long long>(ms));
  const std::string log = once.lines.join('\n').toStdString();
  EXPECT_LT(ms, 5000) << log;
  EXPECT_EQ(once.exit_code, 1) << log << once.errors.toStdString();
  EXPECT_EQ(once.lines.mid(5),
            (QStringList{"Message 1 of 4 in account: home marked for deletion.",
                         "Reason: sender \"deals@spam.example\", subject \"one\": From phrase \"spam.example\" found "
                         "in the sender address.",
                         "Processed 2 of 4 in account: home", "Message 3 of 4 in account: home marked for deletion.",
                         "Reason: sender \"deals@spam.example\", subject \"three\": From phrase \"spam.example\" "
                         "found in the sender address.",
                         "Error getting message headers from: home", "Continuing to next email account.",
                         once.lines.value(12), "Exit out of filter process."}));
  EXPECT_TRUE(once.lines.value(12).startsWith("Cause: the server answered: -ERR")) << log;
  EXPECT_EQ(subjects_left(), (std::vector<std::string>{"two"}));
}

INSTANTIATE_TEST_SUITE_P(Pipelining, RaceDovecotTest, ::testing::Values(0, 1),
                         [](const auto& info) { return std::string(info.param ? "On" : "Off"); });

}  // namespace
}  // namespace halvex
