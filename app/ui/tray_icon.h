// TrayIcon: the main window's icon in the notification area. It offers what the window
// uses of it: visibility, the tip text, the icon (with an error state while an account
// fails), a click, desktop notifications, and a right-click menu with Show/Hide, the
// start/stop command, "Deleted Mail..." (once a window offers it) and Quit. When the
// desktop has no notification area it stays hidden and the window never leaves the
// task bar.
#pragma once

#include <QIcon>
#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace halvex {

// The program's own icon (16, 32 and 48 pixels), also the window icon.
QIcon program_icon();
// The same icon with a red mark: an account fails.
QIcon program_error_icon();

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent = nullptr);
  ~TrayIcon() override;

  // True when the desktop shows tray icons (tests may force either answer).
  bool available() const;
  void force_available(bool available) { forced_ = available ? 1 : 0; }

  void set_visible(bool visible);
  bool visible() const { return visible_; }

  void set_tip(const QString& tip);
  QString tip() const;

  // The error state of the icon.
  void set_error(bool error);
  bool error() const { return error_; }

  // One desktop notification (the freedesktop notification service where the desktop
  // has one); announced by notified() as well.
  void notify(const QString& title, const QString& text, bool warning);

  // The menu and its items.
  QMenu* menu() const { return menu_; }
  QAction* show_hide_action() const { return show_hide_; }
  QAction* start_stop_action() const { return start_stop_; }
  QAction* deleted_mail_action() const { return deleted_mail_; }  // hidden until offered
  QAction* quit_action() const { return quit_; }

  // "Show" or "Hide", as the window is hidden or shown.
  void set_window_shown(bool shown);
  // Mirrors the start/stop button: its caption and whether it can be pressed.
  void set_start_stop(const QString& caption, bool enabled);
  // Shows "Deleted Mail..." in the menu; choosing it calls `open`.
  void offer_deleted_mail(std::function<void()> open);

  // What a click on the icon does; tests call it as the desktop would.
  void click() { emit clicked(); }

 signals:
  void clicked();
  void show_hide_chosen();
  void start_stop_chosen();
  void quit_chosen();
  void menu_about_to_show();
  void notified(const QString& title, const QString& text);

 private:
  QSystemTrayIcon* icon_;
  QMenu* menu_;
  QAction* show_hide_;
  QAction* start_stop_;
  QAction* deleted_mail_;
  QAction* quit_;
  bool visible_ = false;
  bool error_ = false;
  int forced_ = -1;  // -1: ask the desktop
};

}  // namespace halvex
