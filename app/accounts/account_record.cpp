#include "account_record.h"

namespace halvex {

void reset_account(AccountRecord& record) { record = AccountRecord{}; }

}  // namespace halvex
