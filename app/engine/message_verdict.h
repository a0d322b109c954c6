// The verdict on one message: the rules in their fixed order. The size rule first, then
// check_from whatever the size rule gave, then check_to, check_subject and the alert,
// each only while nothing earlier marked the message. So a marked message never raises
// an alert.
#pragma once

#include "header_rules.h"

#include "accounts/account_record.h"

#include <functional>

namespace halvex {

// True when the message is to be deleted. `alert` is check_alert bound to its context;
// it runs only for a message that no other rule marked.
bool judge_message(const AccountRecord& record, const HeaderFields& fields, qint32 message_size,
                   const std::function<bool()>& alert);

}  // namespace halvex
