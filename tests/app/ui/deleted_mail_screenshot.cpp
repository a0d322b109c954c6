// Takes the screenshot of the Deleted Mail window shown in the README, over a quarantine
// prepared in a temporary folder. Run under an X server (xvfb-run) with
// QT_QPA_PLATFORM=xcb: halvex_deleted_mail_screenshot <output file>
#include "quarantine/quarantine.h"
#include "ui/deleted_mail_window.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

int main(int argc, char** argv) {
  QTemporaryDir dir;
  qputenv("VELMO_MAILFOLDERS", dir.filePath("MailFolders").toUtf8());
  qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
  QApplication app(argc, argv);
  if (argc < 2) return 2;
  const QString folder = dir.path() + '/';
  halvex::Quarantine q(halvex::QuarantineSettings{}, folder);
  struct Row {
    const char* account;
    const char* sender;
    const char* subject;
    const char* rule;
    const char* reason;
    int minutes_ago;
    int size;
  };
  const Row rows[] = {
      {"jane@example.com", "offers@casino-royal.example", "Your free spins are waiting", "from",
       "From phrase \"casino\" found in the sender address", 3, 18250},
      {"jane@example.com", "noreply@lottery.example", "WINNER: claim your prize today", "subject",
       "Subject phrase \"winner\" found in the subject", 17, 9412},
      {"work", "mark@unknown-vendor.example", "Invoice 4471 overdue", "gate",
       "gate mode, the sender is not on the From list", 42, 31877},
      {"jane@example.com", "pharmacy@meds.example", "Cheap meds, no prescription", "from",
       "From phrase \"pharmacy\" found in the sender address", 95, 6120},
      {"work", "newsletter@big.example", "Monthly newsletter (large attachment)", "size",
       "size rule, 2483118 bytes at or above the limit of 250000", 230, 2483118},
  };
  for (const Row& row : rows) {
    halvex::DeletionRecord r;
    r.id = *q.keep(row.account, QByteArray("From: ") + row.sender + "\r\nSubject: " + row.subject + "\r\n\r\nbody\r\n");
    r.time = QDateTime::currentDateTimeUtc().addSecs(-60 * row.minutes_ago);
    r.account = row.account;
    r.sender = row.sender;
    r.subject = row.subject;
    r.size = row.size;
    r.rule = row.rule;
    r.reason = row.reason;
    r.copy = QString(row.rule) == "size" ? halvex::kCopyHeaderOnly : halvex::kCopyFull;
    q.record(r);
  }
  halvex::DeletedMailWindow window(folder);
  window.resize(1000, 330);
  window.show();
  window.raise();
  window.activateWindow();
  window.table->selectRow(1);
  window.table->setFocus();
  QTest::qWait(500);
  const bool ok = window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG");
  QTextStream(stdout) << (ok ? "wrote " : "FAILED ") << argv[1] << '\n';
  return ok ? 0 : 1;
}
