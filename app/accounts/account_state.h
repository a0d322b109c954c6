// The program's one account record and its list of account names, bound to the
// application folder (app_folder.h). The filter cycle loads each account into the
// record in turn; the account dialog edits the same record.
#pragma once

#include "account_record.h"

#include <QString>
#include <QStringList>

namespace halvex {

// The one in-memory account.
AccountRecord& account_record();

// The account names found by the last get_accounts(); row i of the main window's
// account list is entry i.
QStringList& account_names();

// The operations of account_file.h on the application folder and the one record.
bool load_account(const QString& name);
bool save_account(const QString& name);
void reset_account();
// Rebuilds account_names() from the application folder and returns it.
const QStringList& get_accounts();
bool remove_account(const QString& name);

}  // namespace halvex
