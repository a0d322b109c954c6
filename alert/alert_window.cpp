#include "alert_window.h"

#include "alert_texts.h"
#include "lock_file.h"
#include "shell_open.h"

#include <QCloseEvent>
#include <QFont>
#include <QIcon>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace halvex::alert {
namespace {

QIcon halvex_icon() {
  QIcon icon;
  for (const int size : {16, 32, 48})
    icon.addFile(QStringLiteral(":/halvex-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace

AlertWindow::AlertWindow(const AlertStart& start, QString email_client, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::CustomizeWindowHint),
      lock_path_(start.lock_path),
      lock_(start.lock),
      email_client_(std::move(email_client)) {
  setWindowTitle(QString::fromLatin1(texts::window_title));
  setWindowIcon(halvex_icon());
  setObjectName(QStringLiteral("alert_window"));

  auto* heading = new QLabel(QString::fromLatin1(texts::heading), this);
  heading->setObjectName(QStringLiteral("heading"));
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.4);
  heading->setFont(bold);

  fields_ = new QFormLayout;
  sender_ = add_value(texts::from_caption, start.fields.sender, "sender");
  account_ = add_value(texts::account_caption, start.fields.account, "account");
  subject_ = add_value(texts::subject_caption, start.fields.subject, "subject");

  launch_ = new QPushButton(QString::fromLatin1(texts::launch_button), this);
  launch_->setObjectName(QStringLiteral("launch_button"));
  launch_->setVisible(!email_client_.isEmpty());
  auto* close = new QPushButton(QString::fromLatin1(texts::close_button), this);
  close->setObjectName(QStringLiteral("close_button"));
  close->setDefault(true);
  connect(launch_, &QPushButton::clicked, this, &AlertWindow::launch_email_client);
  connect(close, &QPushButton::clicked, this, &AlertWindow::close_alert);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(launch_);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addLayout(fields_);
  layout->addLayout(buttons);
  setMinimumWidth(360);
}

QLabel* AlertWindow::add_value(const char* caption, const QString& value, const char* name) {
  // Sender and subject come from mail: always plain text, never markup or links.
  auto* label = new QLabel(value, this);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  fields_->addRow(QString::fromLatin1(caption), label);
  return label;
}

QStringList AlertWindow::shown_values() const {
  return {sender_->text(), account_->text(), subject_->text()};
}

bool AlertWindow::launch_offered() const { return !launch_->isHidden(); }

void AlertWindow::close_alert() { close(); }

void AlertWindow::closeEvent(QCloseEvent* event) {
  remove_lock();
  QWidget::closeEvent(event);
}

void AlertWindow::remove_lock() {
  // Only the holder removes the file, and only once; the flock goes with the descriptor.
  const std::shared_ptr<HeldLock> lock = std::move(lock_);
  if (!lock) return;
  if (file_exists(lock_path_) && !remove_lock_file(lock_path_)) {
    QMessageBox::warning(this, QString::fromLatin1(texts::remove_error_title),
                         QString::fromLatin1(texts::remove_error) + QLatin1String("\n\n") +
                             lock_path_);
  }
  lock->release();
}

void AlertWindow::launch_email_client() {
  if (shell_open(email_client_) < 32) {
    QMessageBox::warning(this, QString::fromLatin1(texts::launch_error_title),
                         QString::fromLatin1(texts::launch_error));
  }
}

}  // namespace halvex::alert
