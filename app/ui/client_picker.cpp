#include "client_picker.h"

#include "frm_getfile.h"
#include "accounts/settings.h"

namespace halvex {

bool run_client_picker(ProgramSettings& settings, QWidget* parent) {
  const QString chosen = run_file_picker(QStringLiteral("Select Email Client To Launch."), parent);
  if (chosen == u"EXIT") return false;
  settings.email_client = chosen;
  return true;
}

}  // namespace halvex
