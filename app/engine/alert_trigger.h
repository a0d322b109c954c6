// The alert trigger: the last rule applied to a message that no other rule marked. The
// first alert whose phrase is in the sender, the first recipient or the subject is logged
// and its action taken (start the alert program, or open the alert's target); its
// delete_after asks whether the message is then deleted. One alert per message at most.
#pragma once

#include "header_rules.h"

#include "accounts/account_record.h"

#include <QString>

namespace halvex {

class EngineHost;
class StatusLog;

inline constexpr char kAlertProgramName[] = "halvex-alert";

// The alert program's one argument: from + "<--->" + description + "<///>" + subject,
// unquoted. A "<--->" or "<///>" inside from or description has its "<" shown as "‹", so the
// fields cannot shift.
QString alert_argument(const QString& from, const QString& description, const QString& subject);

// The alert program beside the running program: program_folder + "halvex-alert".
QString alert_program(const QString& program_folder);

// The first alert whose phrase one of the five fields contains; null when none.
const AlertRule* find_alert(const AccountRecord& record, const HeaderFields& fields);

// True when delete_after reads "yes" in any letter case.
bool alert_wants_delete(const AlertRule& alert);

struct AlertContext {
  EngineHost& host;
  StatusLog& log;
  QString program_folder;  // where the alert program lives, with a trailing "/"
  bool dry_run = false;    // log the alert, take no action
};

// check_alert: finds the first matching alert, logs "Email Alert! ...", takes its action
// (0: the alert program, detached, one argument, no shell; 1: open the target; any other:
// nothing) and returns whether the message is to be deleted. A program that cannot be
// started logs "Error launching email alert program!"; a target the desktop refuses logs
// "Error launching file/link for email alert!". Neither stops the cycle or the deletion.
bool check_alert(const AccountRecord& record, const HeaderFields& fields, AlertContext& context);

}  // namespace halvex
