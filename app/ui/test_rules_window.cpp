#include "test_rules_window.h"

#include "message.h"

#include "accounts/account_file.h"
#include "accounts/app_folder.h"
#include "accounts/settings.h"
#include "engine/one_line_text.h"
#include "testrun/test_run.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace halvex {

namespace {

const QString kNote = QStringLiteral(
    "Dry run: only the headers and sizes are read. Nothing is deleted or downloaded, and no "
    "alert is started.");
const QString kLoggingIn = QStringLiteral("Logging in to %1 ...");
const QString kCancelled = QStringLiteral("Cancelled. Nothing was deleted.");
const QString kLoadError = QStringLiteral("Error during account load!");

QTableWidgetItem* cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  item->setToolTip(text);
  return item;
}

QTableWidgetItem* number_cell(qint32 n) {
  QTableWidgetItem* item = cell(QLocale().toString(n));
  item->setData(Qt::UserRole, n);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

TestRulesWindow::TestRulesWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("test_rules_window"));
  setWindowTitle(QStringLiteral("Test Rules"));
  note = new QLabel(kNote, this);
  note->setWordWrap(true);
  status = new QLabel(this);
  status->setObjectName(QStringLiteral("status"));
  status->setWordWrap(true);
  status->setTextFormat(Qt::PlainText);
  status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  progress = new QProgressBar(this);
  progress->setObjectName(QStringLiteral("progress"));
  table = new QTableWidget(0, kColumns, this);
  table->setObjectName(QStringLiteral("messages"));
  table->setHorizontalHeaderLabels({QStringLiteral("#"), QStringLiteral("Sender"),
                                    QStringLiteral("Subject"), QStringLiteral("Size"),
                                    QStringLiteral("Verdict"), QStringLiteral("Rule")});
  table->verticalHeader()->hide();
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setWordWrap(false);
  table->horizontalHeader()->setStretchLastSection(true);
  table->setColumnWidth(kNumber, 44);
  table->setColumnWidth(kSender, 240);
  table->setColumnWidth(kSubject, 200);
  table->setColumnWidth(kSize, 80);
  table->setColumnWidth(kVerdict, 90);
  cancel_button = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_button->setObjectName(QStringLiteral("Cancel"));
  close_button = new QPushButton(QStringLiteral("Close"), this);
  close_button->setObjectName(QStringLiteral("Close"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(progress, 1);
  buttons->addWidget(cancel_button);
  buttons->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addWidget(status);
  layout->addWidget(table, 1);
  layout->addLayout(buttons);
  resize(1100, 480);

  test_run_ = new TestRun(this);
  connect(test_run_, &TestRun::counted, this, [this](qint32 total) {
    total_ = total;
    progress->setRange(0, std::max(total, 1));
    progress->setValue(0);
    status->setText(QStringLiteral("%1 messages waiting; reading their headers ...").arg(total));
  });
  connect(test_run_, &TestRun::judged, this, &TestRulesWindow::add_row);
  connect(test_run_, &TestRun::finished, this, [this](qint32 deleted, qint32 total) {
    progress->setValue(progress->maximum());
    over(run_summary(deleted, total), deleted > 0 && deleted == total);
  });
  connect(test_run_, &TestRun::failed, this, [this](const QString& cause) { over(cause, true); });
  connect(test_run_, &TestRun::cancelled, this, [this] { over(kCancelled, false); });
  connect(cancel_button, &QPushButton::clicked, test_run_, &TestRun::cancel);
  connect(close_button, &QPushButton::clicked, this, &QDialog::close);
}

TestRulesWindow::~TestRulesWindow() = default;

void TestRulesWindow::run(const AccountRecord& account, qint32 timeout_seconds, const QString& folder,
                          const QString& name) {
  setWindowTitle(QStringLiteral("Test Rules - ") + account.description);
  table->setRowCount(0);
  total_ = 0;
  progress->setRange(0, 0);  // busy until the count is known
  status->setStyleSheet({});
  status->setText(kLoggingIn.arg(account.server));
  cancel_button->setEnabled(true);
  running_ = true;
  test_run_->start(account, timeout_seconds, folder, name);
}

void TestRulesWindow::add_row(const TestRunRow& row) {
  const int r = table->rowCount();
  table->insertRow(r);
  table->setItem(r, kNumber, number_cell(row.number));
  // Mail text on one line, control characters shown as escapes.
  table->setItem(r, kSender, cell(one_line_text(row.sender)));
  table->setItem(r, kSubject, cell(one_line_text(row.subject)));
  table->setItem(r, kSize, number_cell(row.size));
  table->setItem(r, kVerdict, cell(verdict_word(row.verdict)));
  table->setItem(r, kRule, cell(row.verdict.rule));
  if (row.verdict.deletes) {
    for (int c = 0; c < kColumns; ++c) table->item(r, c)->setForeground(QColor(0xb0, 0x00, 0x00));
  }
  progress->setValue(row.number);
  status->setText(QStringLiteral("Message %1 of %2 ...").arg(row.number).arg(total_));
}

void TestRulesWindow::over(const QString& text, bool failure) {
  running_ = false;
  cancel_button->setEnabled(false);
  if (progress->maximum() == 0) progress->setRange(0, 1);
  status->setStyleSheet(failure ? QStringLiteral("color: #b00000; font-weight: bold;") : QString());
  status->setText(text);
  emit run_over();
}

void TestRulesWindow::closeEvent(QCloseEvent* e) {
  if (running_) test_run_->cancel();
  QDialog::closeEvent(e);
}

TestRulesWindow* open_test_rules(const AccountRecord& account, QWidget* parent, const QString& folder,
                                 const QString& name) {
  auto* window = new TestRulesWindow(parent);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->show();
  window->run(account, program_settings().server_timeout, folder, name);
  return window;
}

void test_saved_account(const QString& name, QWidget* parent) {
  if (name.isEmpty()) return;
  AccountRecord account;
  if (!load_account(app_folder(), name, account)) {
    show_message(kLoadError, parent);
    return;
  }
  open_test_rules(account, parent);
}

}  // namespace halvex
