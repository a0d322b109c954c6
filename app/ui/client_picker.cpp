#include "client_picker.h"

#include "desktop_mailer.h"
#include "frm_getfile.h"
#include "message.h"
#include "accounts/settings.h"

#include <QPushButton>

namespace halvex {

bool run_client_picker(ProgramSettings& settings, QWidget* parent) {
  message_text() = QStringLiteral("Select Email Client To Launch.");
  frm_getfile picker(parent);
  QPushButton* desktop = picker.add_button(QStringLiteral("Desktop's &Mail Program"));
  desktop->setObjectName(QStringLiteral("desktop_mailer"));
  desktop->setToolTip(QStringLiteral("The program this desktop opens mailto: links with."));
  QObject::connect(desktop, &QPushButton::clicked, &picker, [&picker] {
    const QString program = desktop_mail_program();
    if (program.isEmpty())
      show_message(QStringLiteral("This desktop names no default mail program."), &picker);
    else
      picker.choose(program);
  });
  picker.exec();
  const QString chosen = message_text();
  if (chosen == u"EXIT") return false;
  settings.email_client = chosen;
  return true;
}

}  // namespace halvex
