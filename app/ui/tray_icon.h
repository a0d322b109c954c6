// TrayIcon: the main window's icon in the notification area. It offers exactly what the
// window uses of it: visibility, the tip text, the icon and a click. When the desktop
// has no notification area it stays hidden and the window never leaves the task bar.
#pragma once

#include <QIcon>
#include <QObject>

class QSystemTrayIcon;

namespace halvex {

// The program's own 16x16 icon, also the window icon.
QIcon program_icon();

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent = nullptr);

  // True when the desktop shows tray icons (tests may force either answer).
  bool available() const;
  void force_available(bool available) { forced_ = available ? 1 : 0; }

  void set_visible(bool visible);
  bool visible() const { return visible_; }

  void set_tip(const QString& tip);
  QString tip() const;

  // What a click on the icon does; tests call it as the desktop would.
  void click() { emit clicked(); }

 signals:
  void clicked();

 private:
  QSystemTrayIcon* icon_;
  bool visible_ = false;
  int forced_ = -1;  // -1: ask the desktop
};

}  // namespace halvex
