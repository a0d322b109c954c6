// The filter cycle against the scripted POP3 server, through the real asynchronous POPMAIN
// and POPMSG: every failure row with its exact lines, stop and close during a request, the
// cursor after a failed logout, nested ticks, and answers matched to their own requests.
#include "cycle_rig.h"

#include "engine/engine_texts.h"

#include "net/pop3_replies.h"
#include "net/scripted_pop3_server.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include "qt_print.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

using testnet::Conversation;
using testnet::ScriptedPop3Server;

struct Mail {
  std::string from;
  std::string subject;
  std::int64_t size = 500;
  bool deleted = false;  // the cycle is expected to delete it
};

std::string header_of(const Mail& m) {
  return "From: " + m.from + "\r\nTo: Me <me@home.example>\r\nSubject: " + m.subject + "\r\n\r\n";
}

// Login and count, as the worker sends them.
Conversation& open_mailbox(Conversation& c, const std::vector<Mail>& mails) {
  std::vector<std::int64_t> sizes;
  std::int64_t total = 0;
  for (const Mail& m : mails) {
    sizes.push_back(m.size);
    total += m.size;
  }
  c.greet().login("user", "secret").on("STAT", testnet::stat_reply(static_cast<std::int64_t>(mails.size()), total));
  return c;
}

// The header and size of message i (1-based); the first header loads STAT and LIST.
Conversation& serve_message(Conversation& c, const std::vector<Mail>& mails, size_t i) {
  if (i == 1) {
    std::vector<std::int64_t> sizes;
    std::int64_t total = 0;
    for (const Mail& m : mails) {
      sizes.push_back(m.size);
      total += m.size;
    }
    c.on("STAT", testnet::stat_reply(static_cast<std::int64_t>(mails.size()), total));
    c.on("LIST", testnet::list_reply(sizes));
  }
  c.on("TOP " + std::to_string(i) + " 0", testnet::message_reply(header_of(mails[i - 1])));
  return c;
}

// A whole mailbox served as the cycle walks it, deletions as planned, then QUIT.
Conversation mailbox(const std::vector<Mail>& mails) {
  Conversation c;
  open_mailbox(c, mails);
  for (size_t i = 1; i <= mails.size(); ++i) {
    serve_message(c, mails, i);
    if (mails[i - 1].deleted) c.on("DELE " + std::to_string(i), testnet::ok("deleted"));
  }
  return c.quit();
}

bool sent(const ScriptedPop3Server& server, const std::string& line) {
  for (const std::string& l : server.all_lines())
    if (l == line) return true;
  return false;
}

QString sep() { return texts::kSeparator; }

class FilterCycleTest : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_POPMAIN_EVENTS();
    ASSERT_TRUE(rig.ready());
  }
  // Runs `action` from the event loop right after the line starting with `prefix` is
  // logged, the way a click reaches the cycle.
  void on_line(const QString& prefix, std::function<void()> action) {
    rig.host.on_line = [this, prefix, action](const QString& line) {
      if (!line.startsWith(prefix) || fired) return;
      fired = true;
      QMetaObject::invokeMethod(qApp, action, Qt::QueuedConnection);
    };
  }
  test::CycleRig rig;
  bool fired = false;
};

TEST_F(FilterCycleTest, FiltersOneAccountDeletingWhatTheRulesMark) {
  ScriptedPop3Server server(mailbox({{"Spammer <deals@spam.example>", "Deals", 500, true},
                                     {"Friend <amy@ham.example>", "Lunch?", 700, false}}));
  rig.set_accounts({test::account_at("home", server.address(), {"spam.example"})});

  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(rig.start(), SwitchResult::Started);
  // Events wake the blocked wait through the apartment's wake hook: no guard ran out, and
  // the waits blocked rather than spun.
  EXPECT_LT(clock.elapsed(), 3000);
  EXPECT_LT(rig.host.waits, 200);
  EXPECT_EQ(rig.host.texts, (QStringList{texts::kFilteringOn, sep(), "Loading data for account: home",
                                          "Logging into account: home", "Total emails in account 'home' = 2",
                                          "Message 1 of 2 in account: home marked for deletion.",
                                          "Reason: sender \"deals@spam.example\", subject \"Deals\": From phrase "
                                          "\"spam.example\" found in the sender address.",
                                          "Processed 2 of 2 in account: home", "Disconnecting from account: home",
                                          texts::kExitCycle}));
  EXPECT_TRUE(sent(server, "DELE 1"));
  EXPECT_FALSE(sent(server, "DELE 2"));
  EXPECT_TRUE(sent(server, "QUIT"));
  EXPECT_TRUE(server.problems().empty()) << server.problems().front();
  EXPECT_EQ(rig.state.busy, 0);
  EXPECT_EQ(rig.state.cycle_failures, 0);
  EXPECT_EQ(rig.host.caption, texts::kStopCaption);
  EXPECT_FALSE(rig.host.buttons_enabled);
}

TEST_F(FilterCycleTest, EmptyMailboxGoesStraightToDisconnect) {
  ScriptedPop3Server server(mailbox({}));
  rig.set_accounts({test::account_at("empty", server.address())});
  rig.start();
  EXPECT_EQ(rig.host.texts.mid(4), (QStringList{"Total emails in account 'empty' = 0",
                                                "Disconnecting from account: empty", texts::kExitCycle}));
  EXPECT_FALSE(sent(server, "LIST"));
}

TEST_F(FilterCycleTest, MissingAccountFileIsLoggedAndTheCycleGoesOn) {
  ScriptedPop3Server server(mailbox({}));
  rig.set_accounts({test::account_at("real", server.address())});
  account_names().prepend(QStringLiteral("ghost"));
  rig.host.rows = 2;
  rig.start();
  EXPECT_EQ(rig.host.texts.mid(1, 5),
            (QStringList{sep(), "Loading data for account: ghost", "Error loading data for: ghost",
                         texts::kContinuing, sep()}));
  EXPECT_TRUE(rig.host.texts.contains("Total emails in account 'real' = 0"));
  EXPECT_EQ(rig.state.cycle_failures, 1);
}

// A refused login raises OnError 0 (still an error) and then OnClosed; that OnClosed must
// not answer the next account's Connect.
TEST_F(FilterCycleTest, FailedLoginGoesOnWithTheNextAccountOnTheSameSession) {
  ScriptedPop3Server refusing(Conversation().greet().on("USER user", testnet::ok()).on("PASS secret", testnet::err("no")).quit());
  ScriptedPop3Server good(mailbox({{"a@b.example", "hi", 100, false}}));
  rig.set_accounts({test::account_at("first", refusing.address()), test::account_at("second", good.address())});
  rig.start();
  // The designed lines, then the cause the component gives.
  EXPECT_EQ(rig.host.texts.mid(3, 5), (QStringList{"Logging into account: first", "Error logging into: first",
                                                   texts::kContinuing, "Cause: the server answered: -ERR no", sep()}));
  EXPECT_EQ(rig.host.texts.mid(10), (QStringList{"Total emails in account 'second' = 1",
                                               "Processed 1 of 1 in account: second",
                                               "Disconnecting from account: second", texts::kExitCycle}));
  EXPECT_TRUE(good.problems().empty()) << good.problems().front();
  EXPECT_EQ(rig.state.cycle_failures, 1);
}

TEST_F(FilterCycleTest, ErrorCodeZeroCountsAsAnError) {
  ScriptedPop3Server refusing(Conversation().greet().on("USER user", testnet::err("who?")).quit());
  rig.link->set_timeout(5);
  rig.link->begin_connect(QString::fromStdString(refusing.address()), "user", "secret");
  rig.link->wait();
  EXPECT_EQ(rig.link->op_error(), 1);
  EXPECT_EQ(rig.link->op_error_text(), QStringLiteral("Error with connecting server."));
}

struct FailureCase {
  const char* name;
  std::function<Conversation()> script;
  QStringList tail;  // the lines after "Logging into account: acct"
};

class CycleFailureTest : public FilterCycleTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CycleFailureTest, LogsItsLinesAndEndsTheAccount) {
  ScriptedPop3Server server(GetParam().script());
  rig.set_accounts({test::account_at("acct", server.address(), {"spam"})});
  rig.start();
  const QStringList lines = rig.host.texts;
  const qsizetype at = lines.indexOf("Logging into account: acct");
  ASSERT_GE(at, 0) << lines.join('\n').toStdString();
  EXPECT_EQ(lines.mid(at + 1), GetParam().tail) << lines.join('\n').toStdString();
  EXPECT_EQ(rig.state.cycle_failures, 1);
}

const std::vector<Mail> kTwo = {{"x@spam.example", "buy", 100, true}, {"y@ham.example", "hi", 100, false}};
const std::vector<Mail> kKept = {{"x@a.example", "one", 100, false}, {"y@b.example", "two", 100, false}};

INSTANTIATE_TEST_SUITE_P(
    Rows, CycleFailureTest,
    ::testing::Values(
        FailureCase{"count",
                    [] { return Conversation().greet().login("user", "secret").on("STAT", testnet::err("busy")).quit(); },
                    {"Error getting number of emails from: acct", texts::kContinuing, "Cause: the server answered: -ERR busy", texts::kExitCycle}},
        FailureCase{"header",
                    [] {
                      Conversation c;
                      open_mailbox(c, kTwo).on("STAT", testnet::stat_reply(2, 200));
                      c.on("LIST", testnet::list_reply({100, 100})).on("TOP 1 0", testnet::err("gone")).quit();
                      return c;
                    },
                    {"Total emails in account 'acct' = 2", "Error getting message headers from: acct",
                     texts::kContinuing, "Cause: the server answered: -ERR gone", texts::kExitCycle}},
        FailureCase{"delete",
                    [] {
                      Conversation c;
                      open_mailbox(c, kTwo);
                      serve_message(c, kTwo, 1).on("DELE 1", testnet::err("locked")).quit();
                      return c;
                    },
                    {"Total emails in account 'acct' = 2", "Message 1 of 2 in account: acct marked for deletion.",
                     "Reason: sender \"x@spam.example\", subject \"buy\": From phrase \"spam\" found in the sender "
                     "address.",
                     "Error deleting message 1 from: acct", texts::kContinuing, "Cause: the server answered: -ERR locked", texts::kExitCycle}}),
    [](const auto& info) { return std::string(info.param.name); });

// A server that stops answering: the wait ends after Timeout plus the margin, as an error.
TEST_F(FilterCycleTest, SilentServerEndsTheWaitAsAnError) {
  Conversation c;
  open_mailbox(c, kTwo).expect("STAT").stall();
  ScriptedPop3Server server(c);
  rig.set_accounts({test::account_at("acct", server.address())});
  rig.link->set_answer_margin_ms(-3500);  // 1.5 s instead of the session's 5 s
  rig.start();
  EXPECT_EQ(rig.host.texts.mid(5), (QStringList{"Error getting message headers from: acct", texts::kContinuing,
                                               "Cause: no answer within 1 s", texts::kExitCycle}));
  EXPECT_GT(rig.host.waits, 0);
}

// The logout of b never completes: the cycle ends after b, and the next one starts with c.
TEST_F(FilterCycleTest, FailedLogoutEndsTheCycleAndTheNextStartsWithTheFollowingAccount) {
  ScriptedPop3Server a(mailbox({}));
  Conversation stuck;
  open_mailbox(stuck, {}).expect("QUIT");
  stuck.stall();
  ScriptedPop3Server b(stuck);
  ScriptedPop3Server c(mailbox({}));
  rig.set_accounts({test::account_at("a", a.address()), test::account_at("b", b.address()),
                    test::account_at("c", c.address())});
  rig.link->set_answer_margin_ms(-3500);
  rig.start();
  EXPECT_EQ(rig.host.texts.mid(rig.host.texts.size() - 4),
            (QStringList{"Disconnecting from account: b", "Error disconnecting from: b", "Cause: no answer within 1 s",
                         texts::kExitCycle}));
  EXPECT_FALSE(rig.host.texts.contains("Loading data for account: c"));
  EXPECT_EQ(rig.state.cycle_failures, 1);

  rig.host.texts.clear();
  rig.cycle->timer_tick();  // filter_minutes is 1: this tick runs the next cycle
  ASSERT_GE(rig.host.texts.size(), 2);
  EXPECT_EQ(rig.host.texts.mid(0, 2), (QStringList{sep(), "Loading data for account: c"}));
}

TEST_F(FilterCycleTest, StopDuringARequestClosesAndRestoresTheButton) {
  ScriptedPop3Server server(mailbox(kTwo));
  rig.set_accounts({test::account_at("acct", server.address())});
  on_line("Total emails", [this] { EXPECT_EQ(rig.filter_switch->command9_click(), SwitchResult::Stopping); });
  rig.start();
  const QStringList& lines = rig.host.texts;
  EXPECT_EQ(lines.mid(5), (QStringList{texts::kStoppedByUser, "Disconnecting from account: acct", texts::kExitCycle}))
      << lines.join('\n').toStdString();
  EXPECT_TRUE(server.wait_for_line("QUIT", testnet::Millis(5000)));
  EXPECT_FALSE(sent(server, "DELE 1"));
  EXPECT_EQ(rig.host.caption, texts::kStartCaption);
  EXPECT_TRUE(rig.host.start_stop_enabled);
  EXPECT_TRUE(rig.host.buttons_enabled);
  EXPECT_EQ(rig.state.stop_requested, 0);
  EXPECT_EQ(rig.state.busy, 0);
  EXPECT_EQ(rig.host.closes, 0);
}

TEST_F(FilterCycleTest, CloseDuringARequestStopsFirstThenClosesTheWindow) {
  ScriptedPop3Server server(mailbox(kTwo));
  rig.set_accounts({test::account_at("acct", server.address())});
  on_line("Total emails", [this] { EXPECT_FALSE(rig.filter_switch->close_request()); });
  rig.start();
  EXPECT_EQ(rig.host.texts.mid(5),
            (QStringList{texts::kShutdownByUser, "Disconnecting from account: acct", texts::kExitCycle}));
  EXPECT_EQ(rig.host.closes, 1);
  EXPECT_EQ(rig.host.caption, texts::kExitingCaption);
  EXPECT_FALSE(rig.host.buttons_enabled);
  EXPECT_FALSE(rig.host.start_stop_enabled);
}

// Stop asked while a failed request's session has already ended: Close must not hang.
TEST_F(FilterCycleTest, StopAfterAFailedRequestDoesNotWaitForTheEndedSession) {
  Conversation c;
  open_mailbox(c, kTwo).on("STAT", testnet::stat_reply(2, 200)).on("LIST", testnet::list_reply({100, 100}));
  c.pause(testnet::Millis(300)).on("TOP 1 0", testnet::err("gone")).quit();
  ScriptedPop3Server server(c);
  rig.set_accounts({test::account_at("acct", server.address())});
  on_line("Total emails", [this] { rig.filter_switch->command9_click(); });
  rig.start();
  EXPECT_EQ(rig.host.texts.mid(5), (QStringList{texts::kStoppedByUser, "Disconnecting from account: acct",
                                               texts::kExitCycle}));
  EXPECT_EQ(rig.host.caption, texts::kStartCaption);
}

TEST_F(FilterCycleTest, FailedLogoutOnTheStopPathIsLoggedAndTheStopGoesOn) {
  Conversation c;
  open_mailbox(c, kTwo);
  serve_message(c, kTwo, 1).expect("QUIT");
  c.stall();
  ScriptedPop3Server server(c);
  rig.set_accounts({test::account_at("acct", server.address())});
  rig.link->set_answer_margin_ms(-3500);
  on_line("Total emails", [this] { rig.filter_switch->command9_click(); });
  rig.start();
  EXPECT_EQ(rig.host.texts.mid(6), (QStringList{"Disconnecting from account: acct", "Error disconnecting from: acct",
                                               texts::kExitCycle}));
  EXPECT_EQ(rig.host.caption, texts::kStartCaption);
  EXPECT_TRUE(rig.host.buttons_enabled);
}

TEST_F(FilterCycleTest, TicksDuringACycleAreDroppedUncounted) {
  ScriptedPop3Server server(mailbox(kKept));
  rig.set_accounts({test::account_at("acct", server.address())});
  qint32 before = -1, after = -1;
  on_line("Total emails", [&] {
    before = rig.state.tick_count;
    rig.cycle->timer_tick();
    rig.cycle->timer_tick();
    after = rig.state.tick_count;
  });
  rig.start();
  EXPECT_EQ(before, 0);
  EXPECT_EQ(after, 0);
  EXPECT_EQ(rig.host.texts.count("Loading data for account: acct"), 1);
  EXPECT_EQ(rig.host.texts.count(texts::kExitCycle), 1);
}

// A stop that arrives after the cycle's last wait stays pending; the next tick restores
// the button and the account buttons.
TEST_F(FilterCycleTest, StopAfterTheLastWaitIsFinishedByTheNextTick) {
  ScriptedPop3Server server(mailbox({}));
  rig.set_accounts({test::account_at("acct", server.address())});
  on_line(texts::kExitCycle, [this] { rig.filter_switch->command9_click(); });
  rig.start();
  EXPECT_EQ(rig.host.texts.last(), texts::kStoppedByUser);
  EXPECT_EQ(rig.host.caption, texts::kTerminatingCaption);
  EXPECT_EQ(rig.state.stop_requested, 1);
  rig.cycle->timer_tick();
  EXPECT_EQ(rig.state.stop_requested, 0);
  EXPECT_EQ(rig.host.caption, texts::kStartCaption);
  EXPECT_TRUE(rig.host.start_stop_enabled);
  EXPECT_TRUE(rig.host.buttons_enabled);
}

TEST_F(FilterCycleTest, StartWithoutAccountsDoesNothing) {
  rig.set_accounts({});
  EXPECT_EQ(rig.start(), SwitchResult::NoAccounts);
  EXPECT_EQ(rig.state.filtering_on, 0);
  EXPECT_TRUE(rig.host.texts.isEmpty());
}

TEST_F(FilterCycleTest, FilterMinutesSpaceTheCycles) {
  ScriptedPop3Server server(mailbox({}));
  rig.set_accounts({test::account_at("acct", server.address())});
  program_settings().filter_minutes = 3;
  rig.start();
  EXPECT_EQ(rig.host.texts.count(texts::kExitCycle), 1);
  rig.cycle->timer_tick();
  rig.cycle->timer_tick();
  EXPECT_EQ(rig.host.texts.count(texts::kExitCycle), 1);
  rig.cycle->timer_tick();
  EXPECT_EQ(rig.host.texts.count(texts::kExitCycle), 2);
}

}  // namespace
}  // namespace halvex
