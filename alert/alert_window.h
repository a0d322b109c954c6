// The alert window: tells the user that a matching message has arrived (sender, account,
// subject), offers to launch the e-mail client, and on "&Close" gives up this alert's lock.
// The title bar's close box does the same as "&Close". It carries Halvex's icon.
#pragma once

#include "alert_start.h"

#include <QString>
#include <QWidget>

class QFormLayout;
class QLabel;
class QPushButton;

namespace halvex::alert {

class AlertWindow final : public QWidget {
  Q_OBJECT

 public:
  // start: what to show and the lock held; email_client: empty hides "&Launch Email Client".
  AlertWindow(const AlertStart& start, QString email_client, QWidget* parent = nullptr);

  // The three value fields as shown: sender, account, subject.
  QStringList shown_values() const;
  bool launch_offered() const;

  // The actions of the two buttons.
  void close_alert();
  void launch_email_client();

 protected:
  // Every close (the button, the title bar, the window manager) removes the lock file.
  void closeEvent(QCloseEvent* event) override;

 private:
  void remove_lock();

  QLabel* add_value(const char* caption, const QString& value, const char* name);

  QString lock_path_;
  std::shared_ptr<HeldLock> lock_;
  QString email_client_;
  QLabel* sender_ = nullptr;
  QLabel* account_ = nullptr;
  QLabel* subject_ = nullptr;
  QPushButton* launch_ = nullptr;
  QFormLayout* fields_ = nullptr;
};

}  // namespace halvex::alert
