// Takes the screenshots of the account dialog, the file picker and the alert settings
// dialog shown in the README. Run under an X server (xvfb-run) with
// QT_QPA_PLATFORM=xcb: halvex_dialog_screenshots <output folder>
#include "accounts/account_record.h"
#include "ui/frm_account.h"
#include "ui/frm_alertconfig.h"
#include "ui/frm_getfile.h"
#include "ui/message.h"
#include "ui/picker_lists.h"
#include "ui/remembered_folder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTest>
#include <QTextStream>

namespace {

bool snap(QWidget& window, const QString& path) {
  window.show();
  window.raise();
  window.activateWindow();
  QTest::qWait(400);
  const bool ok = window.grab().save(path, "PNG");
  QTextStream(stdout) << (ok ? "wrote " : "FAILED ") << path << '\n';
  window.hide();
  return ok;
}

halvex::AccountRecord sample_account() {
  halvex::AccountRecord r;
  r.description = "jane@example.com";
  r.server = "pop3s://pop.example.com";
  r.user_id = "jane";
  r.password = "correct horse";
  r.size_limit_on = 1;
  r.size_limit = 250000;
  r.from_list = {"casino", "deals@", "pharmacy", "winner", "Lottery", "noreply@spam.example"};
  r.subject_list = {"free money", "URGENT", "act now", "viagra", "100% guaranteed"};
  r.to_list = {"undisclosed-recipients", "friend@"};
  r.alerts = {{"boss@example.com", 0, "", ""},
              {"Invoice", 1, "https://billing.example.com/", "yes"},
              {"mum", 0, "", ""}};
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    QTextStream(stderr) << "usage: halvex_dialog_screenshots <output folder>\n";
    return 2;
  }
  const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + "/";
  // A folder with a readable name, as the picker shows the whole path; removed at the end.
  const QString demo = QDir::tempPath() + "/halvex-demo";
  QDir(demo).removeRecursively();
  if (!QDir(demo).mkpath("Documents/lists/old")) return 1;
  for (const char* f : {"from_blocklist.txt", "subject_phrases.txt", "friends.txt", "to_list.txt"}) {
    QFile file(demo + "/Documents/lists/" + f);
    if (!file.open(QIODevice::WriteOnly)) return 1;
  }

  bool ok = true;
  halvex::AccountRecord record = sample_account();
  {
    halvex::frm_account dialog(record, demo);
    dialog.from.list->setCurrentRow(2);
    ok &= snap(dialog, out + "account-dialog.png");
  }
  {
    halvex::set_remembered_folder(demo + "/Documents/lists");
    halvex::message_text() = "Select a file to import.";
    halvex::frm_getfile picker;
    picker.lists->File1->setCurrentRow(1);
    ok &= snap(picker, out + "picker.png");
  }
  {
    halvex::AlertRule alert = record.alerts[1];
    halvex::frm_alertconfig dialog(alert);
    ok &= snap(dialog, out + "alert-settings.png");
  }
  QDir(demo).removeRecursively();
  return ok ? 0 : 1;
}
