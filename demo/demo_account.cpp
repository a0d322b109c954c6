#include "demo_account.h"

namespace halvex::demo {

AccountRecord demo_account(quint16 port) {
  AccountRecord r;
  r.description = QStringLiteral("demo@example.org");
  r.server = QStringLiteral("127.0.0.1:%1").arg(port);
  r.user_id = QLatin1String(kDemoUser);
  r.password = QLatin1String(kDemoPassword);
  r.gate_mode = 0;
  r.size_limit_on = 1;
  r.size_limit = 40000;
  // Kept sorted, as the account dialog keeps them.
  r.from_list = {QStringLiteral("bulk-mailer.example"), QStringLiteral("pharma"),
                 QStringLiteral("winner-notice")};
  r.subject_list = {QStringLiteral("act now"), QStringLiteral("casino"),
                    QStringLiteral("giveaway"), QStringLiteral("lottery"),
                    QStringLiteral("miracle")};
  r.to_list = {QStringLiteral("valued customer")};
  AlertRule grandma;
  grandma.phrase = QStringLiteral("Grandma");
  grandma.action = 0;  // the desktop alert window; the message stays on the server
  r.alerts = {grandma};
  return r;
}

}  // namespace halvex::demo
