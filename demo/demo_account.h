// The one account of the demo: filter mode on the demo server, with phrase lists, a size
// limit and an alert written for the sample mailbox.
#pragma once

#include "accounts/account_record.h"

#include <QString>

namespace halvex::demo {

inline constexpr char kDemoUser[] = "demo";
inline constexpr char kDemoPassword[] = "demo";

// The account as stored, its server given as "127.0.0.1:<port>".
AccountRecord demo_account(quint16 port);

}  // namespace halvex::demo
