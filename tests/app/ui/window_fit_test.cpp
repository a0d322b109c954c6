// Windows that fit: every top-level window of Halvex opened on the screen it is given (the
// ctest entries give a 1280x800 screen at QT_SCALE_FACTOR=2, and one at QT_FONT_DPI=144)
// lies within the screen's available area, and every button in it can be reached: inside
// the window, or inside a scroll area that is.
#include "dialog_test_support.h"
#include "main_window_rig.h"

#include "accounts/account_record.h"
#include "ui/deleted_mail_window.h"
#include "ui/frm_about.h"
#include "ui/frm_account.h"
#include "ui/frm_alertconfig.h"
#include "ui/frm_getfile.h"
#include "ui/frm_getfolder.h"
#include "ui/frm_msgbox.h"
#include "ui/message.h"
#include "ui/frm_selectimport.h"
#include "ui/screen_fit.h"
#include "ui/test_rules_window.h"

#include <QAbstractButton>
#include <QScreen>
#include <QScrollArea>

#include <functional>
#include <memory>

namespace halvex {
namespace {

struct WindowRow {
  const char* name;
  std::function<std::unique_ptr<QWidget>()> make;
};

// The button's rectangle in the window's coordinates, clipped by every scroll area's
// viewport on the way up: empty when some of it can never be seen.
bool reachable(QAbstractButton* button, QWidget* window) {
  const QRect inside = QRect(button->mapTo(window, QPoint(0, 0)), button->size());
  for (QWidget* up = button->parentWidget(); up && up != window; up = up->parentWidget()) {
    if (auto* area = qobject_cast<QScrollArea*>(up)) {
      // A scroll area brings every part of its content into view; the area itself must fit.
      const QRect viewport(area->viewport()->mapTo(window, QPoint(0, 0)), area->viewport()->size());
      return window->rect().contains(viewport) && !viewport.isEmpty();
    }
  }
  return window->rect().contains(inside);
}

class WindowFit : public testing::TestWithParam<WindowRow> {
 protected:
  // As main() does for the program.
  static void SetUpTestSuite() { fit_windows_to_screen(*qApp); }
};

TEST_P(WindowFit, OpensWithinTheScreenWithEveryButtonReachable) {
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  const QRect available = screen->availableGeometry();
  std::unique_ptr<QWidget> window = GetParam().make();
  window->show();
  QCoreApplication::processEvents();
  EXPECT_TRUE(available.contains(window->frameGeometry()))
      << "screen " << available.width() << "x" << available.height() << ", window at "
      << window->frameGeometry().x() << "," << window->frameGeometry().y() << " sized "
      << window->frameGeometry().width() << "x" << window->frameGeometry().height();
  int buttons = 0;
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    if (!button->isVisibleTo(window.get()) || button->inherits("QScrollBar")) continue;
    ++buttons;
    EXPECT_TRUE(reachable(button, window.get())) << button->text().toStdString();
  }
  EXPECT_GT(buttons, 0);
  window->close();
}

AccountRecord sample_record() {
  AccountRecord record;
  record.description = "home";
  record.server = "pop.example.com";
  record.user_id = "ann";
  record.from_list = {"a@spam.example"};
  record.alerts = {AlertRule{"boss", 0, {}, {}}};
  return record;
}

QString& scratch_folder() {
  static QTemporaryDir dir;
  static QString path = dir.path();
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowFit,
    testing::Values(
        WindowRow{"main_window",
                  [] {
                    static test::MainWindowRig rig;
                    rig.add_account(sample_record());
                    MainWindowOptions options;
                    options.timer_interval_ms = test::kFarTimerMs;
                    options.tray_available = false;
                    options.program_folder = rig.folder;
                    save_settings(rig.settings);
                    return std::unique_ptr<QWidget>(new frm_main(options));
                  }},
        WindowRow{"account_dialog",
                  [] {
                    static AccountRecord record = sample_record();
                    return std::unique_ptr<QWidget>(new frm_account(record, scratch_folder()));
                  }},
        WindowRow{"alert_settings",
                  [] {
                    static AlertRule alert{"boss", 1, "https://example.com/", "yes"};
                    return std::unique_ptr<QWidget>(new frm_alertconfig(alert));
                  }},
        WindowRow{"about", [] { return std::unique_ptr<QWidget>(new frm_About); }},
        WindowRow{"message",
                  [] {
                    message_text() = "Error Launching Your Default Browser!\r\rPlease make sure "
                                     "you have a DEFAULT browser selected and try again.";
                    return std::unique_ptr<QWidget>(new frm_msgbox);
                  }},
        WindowRow{"header_chooser",
                  [] {
                    message_text() = "Select Header To Import To:";
                    return std::unique_ptr<QWidget>(new frm_selectimport);
                  }},
        WindowRow{"file_picker",
                  [] {
                    message_text() = "Select a file to import.";
                    return std::unique_ptr<QWidget>(new frm_getfile);
                  }},
        WindowRow{"folder_picker",
                  [] {
                    message_text() = "Select a folder to export the list to.";
                    return std::unique_ptr<QWidget>(new frm_getfolder);
                  }},
        WindowRow{"deleted_mail",
                  [] { return std::unique_ptr<QWidget>(new DeletedMailWindow(scratch_folder())); }},
        WindowRow{"test_rules", [] { return std::unique_ptr<QWidget>(new TestRulesWindow); }}),
    [](const testing::TestParamInfo<WindowRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvex
