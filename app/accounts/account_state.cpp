#include "account_state.h"

#include "account_file.h"
#include "app_folder.h"

namespace halvex {

AccountRecord& account_record() {
  static AccountRecord record;
  return record;
}

QStringList& account_names() {
  static QStringList names;
  return names;
}

bool load_account(const QString& name) {
  return load_account(app_folder(), name, account_record());
}

bool save_account(const QString& name) {
  return save_account(app_folder(), name, account_record());
}

void reset_account() { reset_account(account_record()); }

const QStringList& get_accounts() {
  account_names() = get_accounts(app_folder());
  return account_names();
}

bool remove_account(const QString& name) { return remove_account(app_folder(), name); }

}  // namespace halvex
