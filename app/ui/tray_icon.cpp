#include "tray_icon.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <functional>

namespace halvex {

namespace {

// The menu's own texts.
const QString kShow = QStringLiteral("&Show Halvex");
const QString kHide = QStringLiteral("&Hide Halvex");
const QString kDeletedMail = QStringLiteral("&Deleted Mail...");
const QString kQuit = QStringLiteral("&Quit");
const QString kStartCaption = QStringLiteral("Start Email Filtering");

constexpr int kSizes[] = {16, 32, 48};
constexpr int kNotifyMs = 10000;

QString icon_file(int size) { return QStringLiteral(":/halvex-%1.png").arg(size); }

// The icon with a red disc in its lower right quarter.
QPixmap with_error_mark(const QPixmap& base) {
  QPixmap marked = base;
  QPainter painter(&marked);
  painter.setRenderHint(QPainter::Antialiasing);
  const int side = marked.width() / 2 + 1;
  const QRect disc(marked.width() - side, marked.height() - side, side, side);
  painter.setPen(QPen(Qt::white, qMax(1, side / 8)));
  painter.setBrush(QColor(0xd0, 0x10, 0x10));
  painter.drawEllipse(disc.adjusted(0, 0, -1, -1));
  return marked;
}

}  // namespace

QIcon program_icon() {
  QIcon icon;
  for (int size : kSizes) icon.addFile(icon_file(size), QSize(size, size));
  return icon;
}

QIcon program_error_icon() {
  QIcon icon;
  for (int size : kSizes) icon.addPixmap(with_error_mark(QPixmap(icon_file(size))));
  return icon;
}

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), icon_(new QSystemTrayIcon(program_icon(), this)), menu_(new QMenu) {
  menu_->setObjectName(QStringLiteral("tray_menu"));
  show_hide_ = menu_->addAction(kHide);
  start_stop_ = menu_->addAction(kStartCaption);
  deleted_mail_ = menu_->addAction(kDeletedMail);
  deleted_mail_->setVisible(false);
  menu_->addSeparator();
  quit_ = menu_->addAction(kQuit);
  icon_->setContextMenu(menu_);

  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) emit clicked();
  });
  connect(show_hide_, &QAction::triggered, this, &TrayIcon::show_hide_chosen);
  connect(start_stop_, &QAction::triggered, this, &TrayIcon::start_stop_chosen);
  connect(quit_, &QAction::triggered, this, &TrayIcon::quit_chosen);
  connect(menu_, &QMenu::aboutToShow, this, &TrayIcon::menu_about_to_show);
}

TrayIcon::~TrayIcon() {
  icon_->setContextMenu(nullptr);
  delete menu_;
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

void TrayIcon::set_error(bool error) {
  if (error == error_) return;
  error_ = error;
  icon_->setIcon(error ? program_error_icon() : program_icon());
}

void TrayIcon::notify(const QString& title, const QString& text, bool warning) {
  if (visible_)
    icon_->showMessage(title, text, warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information, kNotifyMs);
  emit notified(title, text);
}

void TrayIcon::set_window_shown(bool shown) { show_hide_->setText(shown ? kHide : kShow); }

void TrayIcon::set_start_stop(const QString& caption, bool enabled) {
  start_stop_->setText(caption);
  start_stop_->setEnabled(enabled);
}

void TrayIcon::offer_deleted_mail(std::function<void()> open) {
  disconnect(deleted_mail_, &QAction::triggered, nullptr, nullptr);
  connect(deleted_mail_, &QAction::triggered, this, [open = std::move(open)] { open(); });
  deleted_mail_->setVisible(true);
}

}  // namespace halvex
