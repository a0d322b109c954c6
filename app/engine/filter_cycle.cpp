#include "filter_cycle.h"

#include "engine_host.h"
#include "engine_texts.h"
#include "message_verdict.h"
#include "session_link.h"
#include "status_log.h"

#include "quarantine/copy_id.h"
#include "quarantine/quarantine.h"

#include "accounts/account_state.h"
#include "accounts/app_folder.h"
#include "accounts/settings.h"

#include <climits>
#include <utility>

namespace halvex {

FilterCycle::FilterCycle(EngineHost& host, FilterState& state, StatusLog& log, SessionLink& link,
                         CycleOptions options)
    : host_(host), state_(state), log_(log), link_(link), options_(std::move(options)), oauth_(host) {}

void FilterCycle::buttons(bool enabled) {
  host_.set_account_buttons_enabled(enabled);
  host_.pump_events();
}

void FilterCycle::request_stop() { link_.stop_soon(); }

void FilterCycle::timer_tick() {
  host_.pump_events();
  if (state_.busy == 1) return;
  if (state_.filtering_on == 0) {
    if (state_.stop_requested == 1) {
      // A stop that came after the last wait of a cycle: finish it here, buttons included.
      state_.stop_requested = 0;
      host_.set_start_stop(texts::kStartCaption, true);
      buttons(true);
    }
    state_.busy = 0;
    return;
  }
  if (host_.account_row_count() < 1) {
    state_.busy = 0;
    return;
  }
  state_.busy = 1;
  if (state_.tick_count < INT_MAX) ++state_.tick_count;
  if (state_.tick_count < program_settings().filter_minutes) {
    state_.busy = 0;
    return;
  }
  run_cycle();
}

void FilterCycle::run_cycle() {
  link_.clear_stop();  // a stop of an earlier cycle bounds none of this one's waits
  state_.tick_count = 0;
  state_.cycle_failures = 0;
  link_.set_timeout(program_settings().server_timeout);
  link_.set_pipelining(program_settings().pop3_pipelining != 0);
  link_.raw().set_keeping(options_.quarantine && options_.quarantine->on() && !options_.dry_run);
  if (options_.quarantine && options_.quarantine->on()) {
    const int purged = options_.quarantine->purge_expired();
    if (purged > 0) log_.do_status(texts::purged_line(purged, options_.quarantine->settings().days));
  }
  const int rows = host_.account_row_count();
  for (state_.account_step = 1; state_.account_step <= rows; ++state_.account_step) {
    const Step step = filter_account();
    if (step == Step::Stop) {
      stop_path();
      return;
    }
    settle_journal(step == Step::Go);
    if (step == Step::EndCycle) break;
  }
  end_cycle();
}

FilterCycle::Step FilterCycle::await() {
  link_.wait();
  return state_.stop_requested == 1 ? Step::Stop : Step::Go;
}

void FilterCycle::fail(const QString& line) {
  ++state_.cycle_failures;
  log_.do_status(line);
  log_.do_status(texts::kContinuing);
  log_cause();
}

void FilterCycle::log_cause() {
  if (!link_.op_error_cause().isEmpty()) log_.do_status(texts::cause_line(link_.op_error_cause()));
}

FilterCycle::Step FilterCycle::filter_account() {
  const QStringList& names = account_names();
  ++state_.account_cursor;
  if (state_.account_cursor > names.size()) state_.account_cursor = 1;
  // A list row without a name (the list and the names disagree) loads as a missing file.
  state_.current_account = state_.account_cursor <= names.size() ? names.at(state_.account_cursor - 1)
                                                                 : QString();
  if (!log_.empty()) log_.do_status(texts::kSeparator);
  log_.do_status(texts::kLoading + state_.current_account);
  if (!load_account(state_.current_account)) {
    fail(texts::kLoadError + state_.current_account);
    return Step::NextAccount;
  }
  const AccountRecord& record = account_record();
  log_.do_status(texts::kLoggingIn + record.description);

  if (oauth_.prepare(link_.popmain(), app_folder(), state_.current_account, record.description) ==
      OAuthLogin::Result::Failed) {
    log_.do_status(oauth_.cause());
    fail(texts::kLoginError + record.description);
    return Step::NextAccount;
  }
  link_.begin_connect(record.server, record.user_id, record.password);
  if (await() == Step::Stop) return Step::Stop;
  if (link_.op_error() != 0) {
    fail(texts::kLoginError + record.description);
    return Step::NextAccount;
  }
  if (const QString line = OAuthLogin::login_line(link_.popmain(), record.description); !line.isEmpty())
    log_.do_status(line);

  link_.begin(Request::TotalOfMails);
  if (await() == Step::Stop) return Step::Stop;
  if (link_.op_error() != 0) {
    fail(texts::kCountError + record.description);
    return Step::NextAccount;
  }
  state_.message_total = link_.op_value();
  log_.do_status(texts::total_line(record.description, state_.message_total));

  const qint32 total = state_.message_total;
  for (state_.message_number = 1; state_.message_number <= total; ++state_.message_number) {
    const Step step = filter_message();
    if (step != Step::Go) return step;
  }

  log_.do_status(texts::kDisconnecting + record.description);
  link_.begin(Request::Close);
  if (await() == Step::Stop) return Step::Stop;
  if (link_.op_error() != 0) {
    ++state_.cycle_failures;
    log_.do_status(texts::kDisconnectError + record.description);
    log_cause();
    return Step::EndCycle;
  }
  return Step::Go;
}

FilterCycle::Step FilterCycle::filter_message() {
  const AccountRecord& record = account_record();
  const qint32 k = state_.message_number;

  link_.begin(Request::MsgHeader, k);
  if (await() == Step::Stop) return Step::Stop;
  if (link_.op_error() != 0) {
    fail(texts::kHeaderError + record.description);
    return Step::NextAccount;
  }
  link_.begin(Request::MsgSize, k);
  if (await() == Step::Stop) return Step::Stop;
  if (link_.op_error() != 0) {
    fail(texts::kSizeError + record.description);
    return Step::NextAccount;
  }
  state_.message_size = link_.op_value();

  const HeaderFields fields = link_.header();
  AlertContext alert{host_, log_, options_.program_folder, options_.dry_run};
  const Verdict verdict =
      decide_message(record, fields, state_.message_size, [&] { return check_alert(record, fields, alert); });
  state_.mark_delete = verdict.delete_message ? 1 : 0;

  const qint32 n = state_.message_total;
  if (state_.mark_delete == 0) {
    log_.do_status(texts::processed_line(k, n, record.description));
    return Step::Go;
  }
  if (options_.dry_run) {
    log_.do_status(texts::dry_run_deletion_line(k, n, record.description));
    log_.do_status(reason_line(fields, verdict.reason));
    return Step::Go;
  }
  QString id;
  QString copy = kCopyNotKept;
  if (options_.quarantine && options_.quarantine->on()) {
    const Step kept = keep_copy(k, id, copy);
    if (kept == Step::Stop) return Step::Stop;
    if (kept != Step::Go) {
      log_.do_status(texts::kept_on_server_line(k, n, record.description));
      log_.do_status(reason_line(fields, verdict.reason));
      if (kept == Step::KeepOnServer) {
        ++state_.cycle_failures;  // nothing lost, but the message was not filtered
        return Step::Go;
      }
      fail(texts::retrieve_error_line(k, record.description));
      return Step::NextAccount;
    }
  }
  link_.begin(Request::Delete, k);
  log_.do_status(texts::deletion_line(k, n, record.description));  // before the wait
  log_.do_status(reason_line(fields, verdict.reason));
  const Step waited = await();
  if (link_.op_error() != 0) {
    // The copy goes only when the message surely stays on the server; otherwise a QUIT may
    // still remove it, and its record (settled as not confirmed) keeps the copy in view.
    if (link_.raw().failure_left_mailbox_unchanged()) {
      if (!id.isEmpty()) options_.quarantine->discard(record.description, id);
    } else {
      journal_deletion(k, verdict, id, copy);
    }
    if (waited == Step::Stop) return Step::Stop;
    fail(texts::delete_error_line(k, record.description));
    return Step::NextAccount;
  }
  journal_deletion(k, verdict, id, copy);  // also when a stop came meanwhile: it is marked
  return waited;
}

FilterCycle::Step FilterCycle::keep_copy(qint32 k, QString& id, QString& copy) {
  Quarantine& q = *options_.quarantine;
  const QString& account = account_record().description;
  QByteArray message;
  if (q.over_cap(state_.message_size)) {
    message = link_.header_text().toUtf8();
    copy = kCopyHeaderOnly;
  } else {
    link_.begin(Request::Retrieve, k);
    if (await() == Step::Stop) return Step::Stop;
    if (link_.op_error() != 0) return Step::NextAccount;
    // The server's own bytes: no copy is better than one that differs from what was deleted.
    std::optional<QByteArray> bytes = link_.raw().take_retrieved(k);
    if (!bytes) return Step::KeepOnServer;
    message = std::move(*bytes);
    copy = kCopyFull;
  }
  const std::optional<QString> kept = q.keep(account, message);
  if (!kept) {
    copy = kCopyNotKept;
    return Step::KeepOnServer;
  }
  id = *kept;
  return Step::Go;
}

void FilterCycle::journal_deletion(qint32 k, const Verdict& verdict, const QString& id, const QString& copy) {
  if (!options_.quarantine) return;
  const HeaderFields& fields = link_.header();
  const QDateTime now = QDateTime::currentDateTimeUtc();
  DeletionRecord r;
  r.id = id.isEmpty() ? make_copy_id(now) : id;
  r.time = now;
  r.account = account_record().description;
  r.message_number = k;
  r.uidl = link_.raw().unique_id(k);
  r.message_id = link_.message_id();
  r.sender = fields.from_address.isEmpty() ? fields.from_name : fields.from_address;
  r.subject = fields.subject;
  r.size = state_.message_size;
  r.rule = rule_kind_key(verdict.reason.kind);
  r.list = rule_list_name(verdict.reason.kind);
  r.phrase = verdict.reason.phrase;
  r.field = field_name(verdict.reason.field);
  r.reason = reason_text(verdict.reason);
  r.copy = copy;
  options_.quarantine->hold(std::move(r));
}

void FilterCycle::settle_journal(bool closed) {
  if (options_.quarantine && !options_.quarantine->settle(closed && link_.raw().quit_confirmed()))
    log_.do_status(texts::kJournalError + options_.quarantine->journal().path());
}

void FilterCycle::stop_path() {
  const QString description = account_record().description;
  log_.do_status(texts::kDisconnecting + description);
  link_.begin(Request::Close);
  link_.wait();  // stop_requested is not looked at again
  if (link_.op_error() != 0) {
    ++state_.cycle_failures;
    log_.do_status(texts::kDisconnectError + description);
  }
  settle_journal(true);
  if (state_.shutdown_requested == 0) {
    buttons(true);
    host_.set_start_stop(texts::kStartCaption, true);
  }
  state_.stop_requested = 0;
  host_.pump_events();
  end_cycle();
}

void FilterCycle::end_cycle() {
  log_.do_status(texts::kExitCycle);
  state_.busy = 0;
  if (state_.shutdown_requested == 1) host_.close_window();
}

}  // namespace halvex
