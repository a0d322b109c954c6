#include "tray_icon.h"

#include <QSystemTrayIcon>

namespace halvex {

QIcon program_icon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/halvex-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/halvex-32.png"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/halvex-48.png"), QSize(48, 48));
  return icon;
}

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), icon_(new QSystemTrayIcon(program_icon(), this)) {
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) emit clicked();
  });
}

bool TrayIcon::available() const {
  if (forced_ >= 0) return forced_ == 1;
  return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::set_visible(bool visible) {
  visible_ = visible;
  icon_->setVisible(visible);
}

void TrayIcon::set_tip(const QString& tip) { icon_->setToolTip(tip); }

QString TrayIcon::tip() const { return icon_->toolTip(); }

}  // namespace halvex
