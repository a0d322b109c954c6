#include "account_guards.h"

#include "accounts/size_text.h"
#include "engine/header_rules.h"

namespace halvex {

namespace {

QString deleted_from(qint32 bytes) {
  return QStringLiteral("Every message of ") + QString::number(bytes) +
         QStringLiteral(" bytes or more will be deleted.");
}

const QString kSizeHint = QStringLiteral("Sizes can be written like 100 000, 64 KB or 5 MB.");

int usable_phrases(const QStringList& list) {
  int n = 0;
  for (const QString& phrase : list)
    if (!is_blank_phrase(phrase)) ++n;
  return n;
}

}  // namespace

QString size_limit_question(const QString& typed, std::optional<qint32> bytes) {
  if (!bytes)
    return QStringLiteral("\"") + typed.trimmed() + QStringLiteral("\" is not a size.\r\r") +
           deleted_from(0) + QLatin1Char('\r') + kSizeHint +
           QStringLiteral("\r\rSave the account with this size limit?");
  if (*bytes >= kOneKilobyte) return {};
  return deleted_from(*bytes) + QLatin1Char('\r') + kSizeHint +
         QStringLiteral("\r\rSave the account with this size limit?");
}

QString gate_question(int senders) {
  return QStringLiteral(
             "Gate mode deletes every message whose sender is NOT on the From list; the "
             "Subject and To lists are then not used.\r\rThe From list holds ") +
         QString::number(senders) +
         QLatin1String(senders == 1 ? " sender" : " senders") +
         QStringLiteral(": mail from anyone else will be deleted.\r\rChoose gate mode?");
}

QString gate_without_senders() {
  return QStringLiteral(
      "Gate mode with an empty From list would delete every message.\r\rAdd the senders "
      "whose mail you want to keep to the From list, or choose Filter.");
}

bool gate_deletes_everything(const AccountRecord& record) {
  return record.gate_mode == 1 && usable_phrases(record.from_list) == 0;
}

QString replace_question(const QString& name) {
  return QStringLiteral("An account named \"") + name +
         QStringLiteral("\" already exists.\r\rReplace it, with all its lists and alerts, "
                        "by this one?");
}

QString remove_old_question(const QString& old_name, const QString& new_name) {
  return QStringLiteral("The account \"") + old_name + QStringLiteral("\" was saved as \"") +
         new_name + QStringLiteral("\".\r\rRemove the account \"") + old_name +
         QStringLiteral("\"? If you keep it, both accounts filter the same mailbox.");
}

QString discard_question() {
  return QStringLiteral("Discard the changes to this account?");
}

QString password_quote_refusal() {
  return QStringLiteral(
      "A password with a double quote (\") cannot be stored in the account file.\r\r"
      "Please remove the double quote from the password.");
}

}  // namespace halvex
