// frm_main: the main window. It holds the status log, the account list with New, Edit
// and Remove, the settings boxes, the start/stop button and the commands for the e-mail
// client, help and the about box; it owns the session and parser objects the filter
// cycle uses, the cycle's timer and the tray icon.
//
// Lifecycle. Load (the constructor): settings read, session and parser created (the
// session asynchronous), tray icon shown, application folder fixed, accounts listed,
// boxes filled, the timer started; autostart_pending when accounts exist. The first
// activation then switches filtering on. Minimizing hides the window when the desktop
// has a tray; a click on the tray icon brings it back. A close request during a cycle
// is refused and turned into a stop; the cycle closes the window itself afterwards.
// Closing removes the tray icon and writes the settings back.
#pragma once

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace halvex {

class CycleWatch;
class TrayIcon;
struct FilterState;

inline constexpr int kTimerIntervalMs = 60000;

struct MainWindowOptions {
  int timer_interval_ms = kTimerIntervalMs;  // tests make it longer or shorter
  std::optional<bool> tray_available;        // tests force it; otherwise the desktop says
  QString program_folder;                    // where halvex-alert is; empty: this program's
};

class frm_main : public QWidget {
  Q_OBJECT

 public:
  explicit frm_main(MainWindowOptions options = {}, QWidget* parent = nullptr);
  ~frm_main() override;

  // Shows the window, or (startup_minimized) puts it into the tray; a window that starts
  // in the tray counts as activated once the event loop runs, so filtering starts.
  void show_at_start();

  QGroupBox* status_frame = nullptr;    // "Status:"
  QListWidget* status = nullptr;        // the status log, green on black
  QGroupBox* accounts_frame = nullptr;  // "Email Accounts"
  QListWidget* List1 = nullptr;         // account names, row i = account_names()[i]
  QPushButton* Command2 = nullptr;      // "New"
  QPushButton* Command3 = nullptr;      // "Edit"
  QPushButton* Command4 = nullptr;      // "Remove"
  QPushButton* test_rules_button = nullptr;  // "Test Rules" for the selected account
  QLabel* no_account_hint_ = nullptr;   // how to add the first account; shown while none exists
  QGroupBox* settings_frame = nullptr;  // "Settings"
  QLineEdit* Text1 = nullptr;           // filter_minutes
  QLineEdit* Text2 = nullptr;           // server_timeout
  QCheckBox* Check1 = nullptr;          // startup_minimized
  QCheckBox* Check2 = nullptr;          // "Start Halvex when I log in" (the autostart entry)
  QPushButton* Command7 = nullptr;      // "Launch Email Client"
  QPushButton* Command10 = nullptr;     // "..."
  QPushButton* Command9 = nullptr;      // "Start Email Filtering" / "Stop Email Filtering"
  QPushButton* Command8 = nullptr;      // "Continue... (Minimize to system tray)"
  QPushButton* Command6 = nullptr;      // "About"
  QPushButton* Command1 = nullptr;      // "Help"
  QPushButton* deleted_mail_button = nullptr;  // "Deleted Mail..."
  QTimer* Timer1 = nullptr;
  TrayIcon* TrayX1 = nullptr;

  // buttons(x): New, Edit and Remove enabled or not, then events run once.
  void buttons(bool x);
  // Timer1's tick; tests call it instead of waiting for the timer.
  void Timer1_Timer();

  const FilterState& filter_state() const;
  qint32 autostart_pending() const { return autostart_pending_; }
  int shell_result() const { return shell_result_; }
  bool unloaded() const { return unloaded_; }

  // Shows the Deleted Mail window (the button, and the tray menu).
  void open_deleted_mail();

  // The cycle's deferred close: the window closes now.
  void close_after_cycle();

  // A line reached the status log ("hh:mm:ss - text"): the tray's state follows it.
  void status_logged(const QString& line);
  // What the tray shows of the filter cycle.
  const CycleWatch& cycle_watch() const { return *watch_; }
  // Brings the tray's tip, icon and menu up to date.
  void refresh_tray();
  // Shows the window (also out of the tray) and brings it to the foreground, as a
  // click on the tray icon does; a second start of the program asks for this.
  void bring_forward() { TrayX1_Click(); }

 signals:
  // The window has unloaded (settings written); the program can end.
  void window_unloaded();

 protected:
  bool event(QEvent* e) override;
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  struct Engine;

  void build_layout();
  QGroupBox* build_status_frame();
  QGroupBox* build_accounts_frame();
  QGroupBox* build_settings_frame();
  QLayout* build_command_column();
  void connect_handlers();

  void form_load();
  void form_activate();
  void form_unload();
  void refresh_accounts();
  void minimize_to_tray();

  void Command9_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command7_Click();
  void client_picker();
  void Command1_Click();
  void Command6_Click();
  void Command8_Click();
  void TrayX1_Click();
  void tray_show_hide();
  void tray_start_stop();
  void connect_tray();
  QDateTime next_cycle_time() const;
  void Text1_LostFocus();
  void Text2_LostFocus();
  void Check1_Click();
  void Check2_Click();
  // The selected account's name; empty when no row is selected.
  QString selected_account() const;

  MainWindowOptions options_;
  std::unique_ptr<Engine> engine_;
  CycleWatch* watch_ = nullptr;
  qint32 autostart_pending_ = 0;
  int shell_result_ = 0;
  bool close_allowed_ = false;
  bool unloaded_ = false;
};

}  // namespace halvex
