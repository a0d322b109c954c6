// The "Test Rules" window: an account's rules, as they stand (saved or not), over the
// mail now waiting on its server, as a dry run (testrun/test_run.h). It lists every
// message with its number, sender, subject, size, verdict and the rule that decided,
// then the summary "N of M messages would be deleted." A run shows its progress, can
// be cancelled, and leaves the window it came from responsive; a failure shows its
// cause. Closing the window cancels a run that is still going.
#pragma once

#include "accounts/account_record.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace halvex {

class TestRun;
struct TestRunRow;

class TestRulesWindow : public QDialog {
  Q_OBJECT

 public:
  explicit TestRulesWindow(QWidget* parent = nullptr);
  ~TestRulesWindow() override;

  // Starts a run over `account` (copied), replacing any run and rows shown before; `folder`
  // and `name` find its OAuth2 sign-in, if it has one (see TestRun::start).
  void run(const AccountRecord& account, qint32 timeout_seconds, const QString& folder = {},
           const QString& name = {});
  bool running() const { return running_; }

  enum Column { kNumber, kSender, kSubject, kSize, kVerdict, kRule, kColumns };

  QLabel* note = nullptr;          // what a dry run does and does not do
  QLabel* status = nullptr;        // progress, then the summary or the failure's cause
  QProgressBar* progress = nullptr;
  QTableWidget* table = nullptr;
  QPushButton* cancel_button = nullptr;  // "Cancel": ends the run
  QPushButton* close_button = nullptr;   // "Close"

 signals:
  void run_over();  // finished, failed or cancelled: status holds the outcome

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void add_row(const TestRunRow& row);
  void over(const QString& text, bool failure);

  TestRun* test_run_ = nullptr;
  bool running_ = false;
  qint32 total_ = 0;
};

// Opens a Test Rules window over `parent` for `account` and starts its run; the window
// deletes itself when closed. The server timeout comes from the program settings.
TestRulesWindow* open_test_rules(const AccountRecord& account, QWidget* parent, const QString& folder = {},
                                 const QString& name = {});

// For the main window: loads the account file `name` (not the program's one record,
// which the filter cycle uses) and opens its Test Rules; "Error during account load!"
// when the file cannot be read. Nothing for an empty name.
void test_saved_account(const QString& name, QWidget* parent);

}  // namespace halvex
