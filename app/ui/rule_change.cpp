#include "rule_change.h"

#include "accounts/account_file.h"

namespace halvex {

namespace {

QStringList* list_of(AccountRecord& account, const QString& list) {
  if (list == QLatin1String("From")) return &account.from_list;
  if (list == QLatin1String("To")) return &account.to_list;
  if (list == QLatin1String("Subject")) return &account.subject_list;
  return nullptr;
}

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

}  // namespace

std::optional<RuleChange> rule_change_for(const DeletionRecord& r) {
  if (r.rule == QLatin1String("gate")) {
    if (r.sender.isEmpty()) return std::nullopt;
    return RuleChange{RuleChange::Kind::AdmitSender, r.account, QStringLiteral("From"), r.sender};
  }
  if (r.rule == QLatin1String("alert")) return RuleChange{RuleChange::Kind::RemoveAlert, r.account, r.list, r.phrase};
  if (r.rule == QLatin1String("from") || r.rule == QLatin1String("to") || r.rule == QLatin1String("subject"))
    return RuleChange{RuleChange::Kind::RemovePhrase, r.account, r.list, r.phrase};
  return std::nullopt;
}

QString rule_change_question(const RuleChange& c) {
  switch (c.kind) {
    case RuleChange::Kind::AdmitSender:
      return QStringLiteral("Add ") + quoted(c.phrase) + QStringLiteral(" to the From list of the account ") +
             quoted(c.account) + QStringLiteral(", so that mail from this sender is kept?");
    case RuleChange::Kind::RemoveAlert:
      return QStringLiteral("Remove the alert ") + quoted(c.phrase) + QStringLiteral(" from the account ") +
             quoted(c.account) + QStringLiteral("?");
    case RuleChange::Kind::RemovePhrase:
      break;
  }
  return QStringLiteral("Remove the phrase ") + quoted(c.phrase) + QStringLiteral(" from the ") + c.list +
         QStringLiteral(" list of the account ") + quoted(c.account) + QStringLiteral("?");
}

bool apply_rule_change(const RuleChange& c, AccountRecord& account) {
  switch (c.kind) {
    case RuleChange::Kind::AdmitSender:
      if (account.from_list.contains(c.phrase)) return false;
      account.from_list.append(c.phrase);
      return true;
    case RuleChange::Kind::RemoveAlert: {
      const qsizetype before = account.alerts.size();
      account.alerts.removeIf([&](const AlertRule& a) { return a.phrase == c.phrase; });
      return account.alerts.size() != before;
    }
    case RuleChange::Kind::RemovePhrase:
      break;
  }
  QStringList* list = list_of(account, c.list);
  return list && list->removeAll(c.phrase) > 0;
}

QString apply_rule_change_to_file(const RuleChange& c, const QString& folder) {
  AccountRecord account;
  if (!load_account(folder, c.account, account)) return QStringLiteral("Error during account load!");
  if (!apply_rule_change(c, account)) return QStringLiteral("The account no longer holds this rule.");
  if (!save_account(folder, c.account, account)) return QStringLiteral("Error during save!");
  return {};
}

}  // namespace halvex
