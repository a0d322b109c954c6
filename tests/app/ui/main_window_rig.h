// MainWindowRig: a real frm_main over a temporary application folder and settings store,
// with the timer kept out of the way (tests tick it themselves or give it a short
// interval) and the tray forced on or off.
#pragma once

#include "ui/frm_main.h"
#include "ui/tray_icon.h"

#include "accounts/account_file.h"
#include "accounts/account_state.h"
#include "accounts/app_folder.h"
#include "accounts/settings.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QListWidget>
#include <QMetaObject>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace halvex::test {

inline constexpr int kFarTimerMs = 3600 * 1000;  // never fires during a test

inline AccountRecord account_on(const QString& description, const QString& server, const QString& user = "user",
                                const QString& password = "secret", QStringList from_list = {}) {
  AccountRecord r;
  r.description = description;
  r.server = server;
  r.user_id = user;
  r.password = password;
  r.from_list = std::move(from_list);
  return r;
}

class MainWindowRig {
public:
  MainWindowRig() {
    QApplication::setQuitOnLastWindowClosed(false);
    qputenv("HALVEX_HOME", QFile::encodeName(home.filePath("app")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
    folder = resolve_app_folder();
    settings.server_timeout = 5;
    settings.filter_minutes = 1;
  }

  void add_account(const AccountRecord& record) { save_account(folder, record.description, record); }

  // Stores the settings and loads the window (Form_Load).
  frm_main& load(bool tray = false, int timer_ms = kFarTimerMs) {
    save_settings(settings);
    MainWindowOptions options;
    options.timer_interval_ms = timer_ms;
    options.tray_available = tray;
    options.program_folder = folder;
    window = std::make_unique<frm_main>(options);
    QObject::connect(window->status->model(), &QAbstractItemModel::rowsInserted, window.get(),
                     [this](const QModelIndex&, int first, int last) {
                       for (int row = first; row <= last; ++row) line_added(window->status->item(row)->text().mid(11));
                     });
    return *window;
  }

  // The log's texts without their "hh:mm:ss - ".
  QStringList texts() const {
    QStringList out;
    for (int i = 0; i < window->status->count(); ++i) out.append(window->status->item(i)->text().mid(11));
    return out;
  }
  bool logged(const QString& text) const { return texts().contains(text); }
  bool wait_logged(const QString& text, int ms = 20000) {
    return QTest::qWaitFor([&] { return logged(text); }, ms);
  }
  int count_of(const QString& text) const { return static_cast<int>(texts().count(text)); }

  // Runs `action` from the event loop right after a line starting with `prefix` is
  // logged, the way a click reaches a running cycle.
  void on_line(const QString& prefix, std::function<void()> action) {
    trigger_prefix = prefix;
    trigger = std::move(action);
  }

  QTemporaryDir home;
  QString folder;
  ProgramSettings settings;
  std::unique_ptr<frm_main> window;

private:
  void line_added(const QString& text) {
    if (!trigger || !text.startsWith(trigger_prefix)) return;
    auto action = std::move(trigger);
    trigger = nullptr;
    QMetaObject::invokeMethod(qApp, action, Qt::QueuedConnection);
  }

  QString trigger_prefix;
  std::function<void()> trigger;
};

}  // namespace halvex::test
