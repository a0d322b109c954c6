// FilterCycle: the timed filter cycle over every account.
//
// Lifecycle. timer_tick() runs at every tick of the window's one-minute timer, and once
// directly when filtering is switched on:
//   1. pump events once; a tick that finds a cycle running (busy) returns, uncounted;
//   2. filtering off: restore a pending stop (caption "Start Email Filtering", enabled,
//      New/Edit/Remove enabled too) and return; no accounts: return;
//   3. busy = 1, count the tick; below filter_minutes: busy = 0 and return;
//   4. the cycle: tick_count = 0, the session's Timeout = server_timeout, then for each of
//      the account list's n rows (n taken once) one account, starting after the account
//      visited last (account_cursor wraps around account_names());
//   5. "Exit out of filter process.", busy = 0, and a deferred close of the window.
// One account: load its file; for an account signed in with OAuth2, a fresh access token
// (oauth_login.h; a failure logs its cause and counts as a failed login); Connect (and,
// after a protected or SASL login, a line telling how it connected); GetTotalOfMails; for k = 1..n GetMsgHeader(k),
// GetMsgSize(k), the verdict (message_verdict.h), Delete(k) when marked; then Close.
// With a quarantine, copies past their retention go first; before each Delete(k) the
// message is retrieved and kept (over the size cap: its header only), and without a copy
// on disk it stays on the server; the copies are synced by the session before its QUIT (the
// server removes marked messages only then), which undoes them with RSET should that sync fail;
// each deletion is journalled once its session has ended, noted as not confirmed without "+OK"
// to QUIT.
// A failed load, login, count, header, size or delete logs its line and
// "Continuing to next email account." and goes on with the next account, without Close
// (the session has ended by itself); a failed Close ends the cycle.
//
// Stop. Every request is made and waited for through SessionLink; a stop request reaches the
// wait in progress (request_stop), which ends within the link's stop grace even when the server
// is silent. When a wait ends with stop_requested set, the stop path logs "Disconnecting from account: ", asks Close (ended
// at once when the session is over), restores the buttons unless the window is closing,
// clears stop_requested and ends the cycle as in step 5.
//
// Re-entrancy. Every wait and every status line lets events run, so clicks, ticks and
// session events run nested inside the cycle; they reach it only through FilterState.
#pragma once

#include "alert_trigger.h"
#include "engine_state.h"
#include "oauth_login.h"

#include <QString>

namespace halvex {

class EngineHost;
class Quarantine;
struct Verdict;
class SessionLink;
class StatusLog;

struct CycleOptions {
  QString program_folder;  // where the alert program lives
  bool dry_run = false;    // judge and log, but no Delete, no program, no target opened
  // Keeps a copy before each Delete and journals each deletion (quarantine/quarantine.h);
  // null: no copies, no journal.
  Quarantine* quarantine = nullptr;
};

class FilterCycle {
public:
  FilterCycle(EngineHost& host, FilterState& state, StatusLog& log, SessionLink& link,
              CycleOptions options);

  // Timer1_Timer.
  void timer_tick();

  // buttons(x): New, Edit and Remove enabled or not, then events run once.
  void buttons(bool enabled);

  // A stop was asked while a cycle runs (stop_requested is set by the caller): the request
  // being waited for, and the Close after it, end within kStopGraceMs.
  void request_stop();

private:
  enum class Step { Go, NextAccount, Stop, EndCycle, KeepOnServer };

  void run_cycle();
  Step filter_account();
  Step filter_message();
  // The copy before Delete(k): the copy's id (or header only) in `id`/`copy`; KeepOnServer
  // when no copy could be made while the session goes on.
  Step keep_copy(qint32 k, QString& id, QString& copy);
  void journal_deletion(qint32 k, const Verdict& verdict, const QString& id, const QString& copy);
  // Writes the deletions of the session that has just ended to the journal: confirmed when it
  // was `closed` by Close and the server answered its QUIT; a session that ended in a failure
  // was not waited for, so its deletions are noted as not confirmed.
  void settle_journal(bool closed);
  // The wait of a request begun on the link; Stop when a stop was asked meanwhile.
  Step await();
  // The design's error line and "Continuing to next email account.", then the cause.
  void fail(const QString& line);
  // "Cause: ..." when the last request's failure has a known cause.
  void log_cause();
  void stop_path();
  void end_cycle();

  EngineHost& host_;
  FilterState& state_;
  StatusLog& log_;
  SessionLink& link_;
  CycleOptions options_;
  OAuthLogin oauth_;
};

}  // namespace halvex
