#include "deleted_mail_window.h"
#include "quarantine/quarantine.h"
#include "frm_main.h"

#include "engine_window_host.h"
#include "frm_about.h"
#include "frm_account.h"
#include "client_picker.h"
#include "cycle_watch.h"
#include "message.h"
#include "remembered_folder.h"
#include "shell_open.h"
#include "test_rules_window.h"
#include "tray_icon.h"
#include "tray_tip.h"

#include "accounts/account_state.h"
#include "accounts/app_folder.h"
#include "accounts/autostart.h"
#include "accounts/settings.h"

#include "engine/engine_state.h"
#include "engine/filter_cycle.h"
#include "engine/filter_switch.h"
#include "engine/popmain_sink.h"
#include "engine/qt_apartment_pump.h"
#include "engine/session_link.h"
#include "engine/status_log.h"

#include "frame/com_ptr.h"
#include "frame/exports.h"
#include "frame/ipopmain.h"
#include "frame/ipopmsg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace halvex {

namespace {

// Every text the window shows of its own.
const QString kTitle = QStringLiteral("Halvex");
const QString kStatusFrame = QStringLiteral("Status:");
const QString kAccountsFrame = QStringLiteral("Email Accounts");
const QString kSettingsFrame = QStringLiteral("Settings");
const QString kFilterEvery = QStringLiteral("Filter email every: ");
const QString kMinutes = QStringLiteral("minute(s).");
const QString kServerTimeout = QStringLiteral("Server timeout:");
const QString kSeconds = QStringLiteral("seconds.");
const QString kStartMinimized = QStringLiteral("Start up minimized in system tray.");
const QString kStartAtLogin = QStringLiteral("Start Halvex when I log in");
const QString kAutostartError = QStringLiteral("Error writing the autostart entry!");
const QString kNoAccountYet = QStringLiteral("No account yet: press \"New\" to add one.");
const QString kStartCaption = QStringLiteral("Start Email Filtering");
const QString kNoAccount = QStringLiteral("Please add an email account.");
const QString kLoadError = QStringLiteral("Error during account load!");
const QString kRemoveError = QStringLiteral("Error removing email account!");
const QString kClientError = QStringLiteral("Error Launching Email Client!");
const QString kHelpError = QStringLiteral("Error launching browser to view help file!");
const QString kNoComponent = QStringLiteral("Error: the mail component could not be started.");
const QString kHelpPage = QStringLiteral("help.htm");
// Desktop notifications of failing accounts.
const QString kFailTitle = QStringLiteral("Halvex cannot filter ");
const QString kWorksTitle = QStringLiteral("Halvex filters again: ");
const QString kWorksText = QStringLiteral("The account was filtered without an error.");

// "Remove email filter account:", the name and the warning, each line break one CR.
QString remove_question(const QString& name) {
  return QStringLiteral("Remove email filter account:\r\r") + name +
         QStringLiteral("\r\rAll filter settings for this account will be lost if you remove it."
                        "\r\rIs this what you want to do?");
}

QPushButton* make_button(const QString& caption, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QLineEdit* make_number_box(const QString& name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setAlignment(Qt::AlignRight);
  box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
  return box;
}

}  // namespace

// The session, the parser and the filter engine that drives them through the window.
struct frm_main::Engine {
  explicit Engine(frm_main& window) : host(window), log(host) {}

  QtApartmentPump pump;  // first: the session's events come to this thread
  velmo::ComPtr<IPOPMAIN> m_POPMAIN;
  velmo::ComPtr<IPOPMSG> m_POPMSG;
  EngineWindowHost host;
  FilterState state;
  StatusLog log;
  std::unique_ptr<SessionLink> link;
  std::unique_ptr<EventSubscription> subscription;
  std::unique_ptr<Quarantine> quarantine;
  std::unique_ptr<FilterCycle> cycle;
  std::unique_ptr<FilterSwitch> filter_switch;

  bool ready() const { return filter_switch != nullptr; }

  // Load steps 2 and 3: both objects, the session asynchronous, and its events routed.
  bool create(const QString& program_folder) {
    if (FAILED(VelmoCreateInstance(u"Velmo.POPMAIN", IPOPMAIN::iid, m_POPMAIN.put_void())) ||
        FAILED(VelmoCreateInstance(u"Velmo.POPMSG", IPOPMSG::iid, m_POPMSG.put_void())))
      return false;
    m_POPMAIN->put_Asynchronous(1);
    link = std::make_unique<SessionLink>(host, m_POPMAIN.get(), m_POPMSG.get());
    subscription = std::make_unique<EventSubscription>(m_POPMAIN.get(), link.get());
    if (!subscription->connected()) return false;
    CycleOptions options;
    options.program_folder = program_folder;
    if (!app_folder().isEmpty()) {
      quarantine = std::make_unique<Quarantine>(load_quarantine_settings(), app_folder());
      options.quarantine = quarantine.get();
    }
    cycle = std::make_unique<FilterCycle>(host, state, log, *link, options);
    filter_switch = std::make_unique<FilterSwitch>(host, state, log, *cycle);
    return true;
  }

  ~Engine() {
    filter_switch.reset();
    cycle.reset();
    subscription.reset();
    link.reset();
    m_POPMSG.reset();
    m_POPMAIN.reset();
  }
};

frm_main::frm_main(MainWindowOptions options, QWidget* parent)
    : QWidget(parent), options_(std::move(options)) {
  setObjectName(QStringLiteral("frm_main"));
  setWindowTitle(kTitle);
  setWindowIcon(program_icon());
  build_layout();
  TrayX1 = new TrayIcon(this);
  TrayX1->setObjectName(QStringLiteral("TrayX1"));
  if (options_.tray_available) TrayX1->force_available(*options_.tray_available);
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(options_.timer_interval_ms);
  engine_ = std::make_unique<Engine>(*this);
  watch_ = new CycleWatch([this] { return engine_->link ? engine_->link->op_error_text() : QString(); }, this);
  connect_handlers();
  connect_tray();
  form_load();
}

frm_main::~frm_main() {
  form_unload();
  Timer1->stop();
  engine_.reset();  // releases the session (ending a standing one) and the parser
}

// --- layout -------------------------------------------------------------------------------

void frm_main::build_layout() {
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(build_accounts_frame(), 3);
  bottom->addWidget(build_settings_frame(), 4);
  bottom->addLayout(build_command_column(), 3);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(build_status_frame(), 1);
  layout->addLayout(bottom);
  resize(900, 640);
}

QGroupBox* frm_main::build_status_frame() {
  status_frame = new QGroupBox(kStatusFrame, this);
  status_frame->setObjectName(QStringLiteral("status_frame"));
  status = new QListWidget(status_frame);
  status->setObjectName(QStringLiteral("status"));
  status->setSortingEnabled(false);
  status->setUniformItemSizes(true);
  status->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  status->setStyleSheet(QStringLiteral(
      "QListWidget#status { background-color: black; color: #00e000; }"
      "QListWidget#status::item:selected { background-color: #004d00; color: #7dff7d; }"));
  // Room for a separator line with its time: 97 characters.
  status->setMinimumSize(status->fontMetrics().horizontalAdvance(QString(99, QLatin1Char('-'))), 300);
  auto* box = new QVBoxLayout(status_frame);
  box->addWidget(status);
  return status_frame;
}

QGroupBox* frm_main::build_accounts_frame() {
  accounts_frame = new QGroupBox(kAccountsFrame, this);
  accounts_frame->setObjectName(QStringLiteral("accounts_frame"));
  List1 = new QListWidget(accounts_frame);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setSortingEnabled(false);
  Command2 = make_button(QStringLiteral("New"), QStringLiteral("Command2"), accounts_frame);
  Command3 = make_button(QStringLiteral("Edit"), QStringLiteral("Command3"), accounts_frame);
  Command4 = make_button(QStringLiteral("Remove"), QStringLiteral("Command4"), accounts_frame);
  auto* row = new QHBoxLayout;
  row->addWidget(Command2);
  row->addWidget(Command3);
  row->addWidget(Command4);
  // A dry run of the selected account's saved rules; it uses a session of its own.
  test_rules_button = make_button(QStringLiteral("Test Rules"), QStringLiteral("TestRules"), accounts_frame);
  connect(test_rules_button, &QPushButton::clicked, this, [this] { test_saved_account(selected_account(), this); });
  row->addWidget(test_rules_button);
  no_account_hint_ = new QLabel(kNoAccountYet, accounts_frame);
  no_account_hint_->setObjectName(QStringLiteral("no_account_hint"));
  no_account_hint_->setWordWrap(true);
  auto* box = new QVBoxLayout(accounts_frame);
  box->addWidget(List1, 1);
  box->addWidget(no_account_hint_);
  box->addLayout(row);
  return accounts_frame;
}

QGroupBox* frm_main::build_settings_frame() {
  settings_frame = new QGroupBox(kSettingsFrame, this);
  settings_frame->setObjectName(QStringLiteral("settings_frame"));
  Text1 = make_number_box(QStringLiteral("Text1"), settings_frame);
  Text2 = make_number_box(QStringLiteral("Text2"), settings_frame);
  Check1 = new QCheckBox(kStartMinimized, settings_frame);
  Check1->setObjectName(QStringLiteral("Check1"));
  Check2 = new QCheckBox(kStartAtLogin, settings_frame);
  Check2->setObjectName(QStringLiteral("Check2"));
  Command7 = make_button(QStringLiteral("Launch Email Client"), QStringLiteral("Command7"), settings_frame);
  Command10 = make_button(QStringLiteral("..."), QStringLiteral("Command10"), settings_frame);
  Command10->setFixedWidth(Command10->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 24);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(kFilterEvery, settings_frame), 0, 0);
  grid->addWidget(Text1, 0, 1);
  grid->addWidget(new QLabel(kMinutes, settings_frame), 0, 2);
  grid->addWidget(new QLabel(kServerTimeout, settings_frame), 1, 0);
  grid->addWidget(Text2, 1, 1);
  grid->addWidget(new QLabel(kSeconds, settings_frame), 1, 2);
  grid->setColumnStretch(3, 1);
  auto* client = new QHBoxLayout;
  client->addWidget(Command7, 1);
  client->addWidget(Command10);
  auto* box = new QVBoxLayout(settings_frame);
  box->addLayout(grid);
  box->addWidget(Check1);
  box->addWidget(Check2);
  box->addStretch(1);
  box->addLayout(client);
  return settings_frame;
}

QLayout* frm_main::build_command_column() {
  Command9 = make_button(kStartCaption, QStringLiteral("Command9"), this);
  QFont bold = Command9->font();
  bold.setBold(true);
  Command9->setFont(bold);
  Command9->setMinimumHeight(Command9->sizeHint().height() * 2);
  Command8 = make_button(QStringLiteral("Continue... (Minimize to system tray)"), QStringLiteral("Command8"), this);
  Command6 = make_button(QStringLiteral("About"), QStringLiteral("Command6"), this);
  Command1 = make_button(QStringLiteral("Help"), QStringLiteral("Command1"), this);
  deleted_mail_button = make_button(QStringLiteral("&Deleted Mail..."), QStringLiteral("deleted_mail_button"), this);
  auto* small = new QHBoxLayout;
  small->addWidget(Command6);
  small->addWidget(Command1);
  auto* column = new QVBoxLayout;
  column->addSpacing(8);
  column->addWidget(Command9);
  column->addWidget(Command8);
  column->addStretch(1);
  column->addWidget(deleted_mail_button);
  column->addLayout(small);
  return column;
}

void frm_main::connect_handlers() {
  connect(Command9, &QPushButton::clicked, this, &frm_main::Command9_Click);
  connect(Command2, &QPushButton::clicked, this, &frm_main::Command2_Click);
  connect(Command3, &QPushButton::clicked, this, &frm_main::Command3_Click);
  connect(Command4, &QPushButton::clicked, this, &frm_main::Command4_Click);
  connect(Command7, &QPushButton::clicked, this, &frm_main::Command7_Click);
  connect(Command10, &QPushButton::clicked, this, &frm_main::client_picker);
  connect(Command1, &QPushButton::clicked, this, &frm_main::Command1_Click);
  connect(Command6, &QPushButton::clicked, this, &frm_main::Command6_Click);
  connect(Command8, &QPushButton::clicked, this, &frm_main::Command8_Click);
  connect(deleted_mail_button, &QPushButton::clicked, this, &frm_main::open_deleted_mail);
  connect(Check1, &QCheckBox::clicked, this, &frm_main::Check1_Click);
  connect(Check2, &QCheckBox::clicked, this, &frm_main::Check2_Click);
  connect(Timer1, &QTimer::timeout, this, &frm_main::Timer1_Timer);
  connect(TrayX1, &TrayIcon::clicked, this, &frm_main::TrayX1_Click);
  Text1->installEventFilter(this);
  Text2->installEventFilter(this);
}

// --- load, activation, unload ------------------------------------------------------------

void frm_main::form_load() {
  program_settings() = load_settings();  // handle_startup
  QString program_folder = options_.program_folder;
  if (program_folder.isEmpty()) program_folder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
  const bool created = engine_->create(program_folder);
  TrayX1->set_visible(true);
  // The pickers open where they were last left (kept in the settings), else at home.
  FilterState& state = engine_->state;
  state.shutdown_requested = 0;
  refresh_accounts();
  state.filtering_on = 0;
  state.tick_count = 0;
  const ProgramSettings& settings = program_settings();
  Text1->setText(QString::number(settings.filter_minutes));
  Text2->setText(QString::number(settings.server_timeout));
  Check1->setChecked(settings.startup_minimized == 1);
  Check2->setChecked(autostart_enabled());
  state.account_cursor = 0;
  if (List1->count() > 0) autostart_pending_ = 1;
  if (settings.startup_minimized == 1) minimize_to_tray();
  TrayX1->set_tip(kTrayTip);
  refresh_tray();
  if (!created) {
    // Nothing can be filtered without the session: say so instead of failing later.
    autostart_pending_ = 0;
    Command9->setEnabled(false);
    engine_->log.do_status(kNoComponent);
  }
  Timer1->start();
}

void frm_main::show_at_start() {
  if (program_settings().startup_minimized == 1) {
    if (!TrayX1->available()) showMinimized();
    // Hidden in the tray, the window is never activated by the desktop: its start counts
    // as the first activation, so filtering runs unattended as soon as the loop runs.
    QTimer::singleShot(0, this, &frm_main::form_activate);
  } else {
    show();
  }
}

void frm_main::form_activate() {
  if (autostart_pending_ != 1) return;
  autostart_pending_ = 0;
  // The click runs the first cycle; it starts from the event loop, not from inside the
  // activation's own delivery.
  QTimer::singleShot(0, this, &frm_main::Command9_Click);
}

void frm_main::form_unload() {
  if (unloaded_) return;
  unloaded_ = true;
  TrayX1->set_visible(false);
  // A box still being edited counts as left, so what it shows is what is saved.
  if (Text1->isModified()) Text1_LostFocus();
  if (Text2->isModified()) Text2_LostFocus();
  save_settings(program_settings());
  emit window_unloaded();
}

bool frm_main::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) form_activate();
  return QWidget::event(e);
}

void frm_main::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() != QEvent::WindowStateChange) return;
  // Resize: minimized leaves the task bar for the tray; only where a tray exists, so the
  // window can never be lost.
  if (isMinimized()) {
    if (TrayX1->available()) QTimer::singleShot(0, this, [this] {
        if (isMinimized()) hide();
      });
  } else if (!isVisible() && !unloaded_) {
    show();
  }
}

void frm_main::closeEvent(QCloseEvent* e) {
  if (close_allowed_ || unloaded_ || !engine_->ready() || engine_->filter_switch->close_request()) {
    form_unload();
    e->accept();
    return;
  }
  // A cycle runs: it stops after its current request and then closes the window.
  e->ignore();
  for (QPushButton* b : {Command2, Command3, Command4, Command7, Command10, Command9, Command8, Command6, Command1})
    b->setEnabled(false);
}

void frm_main::open_deleted_mail() { show_deleted_mail_window(this, app_folder()); }

void frm_main::close_after_cycle() {
  close_allowed_ = true;
  close();
}

// --- the commands --------------------------------------------------------------------------

void frm_main::buttons(bool x) {
  if (engine_->ready()) {
    engine_->cycle->buttons(x);
    return;
  }
  engine_->host.set_account_buttons_enabled(x);
  QCoreApplication::processEvents();
}

void frm_main::Timer1_Timer() {
  if (engine_->ready()) engine_->cycle->timer_tick();
}

const FilterState& frm_main::filter_state() const { return engine_->state; }

void frm_main::refresh_accounts() {
  List1->clear();
  List1->addItems(get_accounts());
  no_account_hint_->setVisible(List1->count() == 0);
}

void frm_main::Command9_Click() {
  if (!engine_->ready()) return;
  if (engine_->filter_switch->command9_click() == SwitchResult::NoAccounts) show_message(kNoAccount, this);
}

QString frm_main::selected_account() const {
  const int row = List1->currentRow();
  if (row < 0 || !List1->item(row)->isSelected() || row >= account_names().size()) return {};
  return account_names().at(row);
}

void frm_main::Command2_Click() {
  reset_account();
  show_account_dialog(this);
  refresh_accounts();
}

void frm_main::Command3_Click() {
  const QString name = selected_account();
  if (name.isEmpty()) return;
  account_record().description = name;
  if (!load_account(name)) {
    show_message(kLoadError, this);
    return;
  }
  show_account_dialog(this, name);
  refresh_accounts();
}

void frm_main::Command4_Click() {
  const QString name = selected_account();
  if (name.isEmpty()) return;
  account_record().description = name;
  QMessageBox question(QMessageBox::Critical, kTitle, remove_question(name).replace(QLatin1Char('\r'), QLatin1Char('\n')),
                       QMessageBox::Yes | QMessageBox::No, this);
  question.setObjectName(QStringLiteral("remove_question"));
  question.setDefaultButton(QMessageBox::No);
  if (question.exec() != QMessageBox::Yes) return;
  if (!remove_account(name)) {
    show_message(kRemoveError, this);
    return;
  }
  refresh_accounts();
}

void frm_main::Command7_Click() {
  const QString& client = program_settings().email_client;
  if (client.isEmpty()) {
    client_picker();
    return;
  }
  shell_result_ = shell_open(client);
  if (shell_result_ < 32) engine_->log.do_status(kClientError);
}

void frm_main::client_picker() {
  if (run_client_picker(program_settings(), this)) save_settings_if_changed(program_settings());
}

void frm_main::Command1_Click() {
  if (shell_open(app_folder() + kHelpPage) < 32) show_message(kHelpError, this);
}

void frm_main::Command6_Click() {
  frm_About about(this);
  about.exec();
}

void frm_main::Command8_Click() { minimize_to_tray(); }

void frm_main::minimize_to_tray() {
  setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
  QCoreApplication::processEvents();
}

// --- the tray's menu, tip and notifications -------------------------------------------

void frm_main::connect_tray() {
  connect(TrayX1, &TrayIcon::show_hide_chosen, this, &frm_main::tray_show_hide);
  connect(TrayX1, &TrayIcon::start_stop_chosen, this, &frm_main::tray_start_stop);
  connect(TrayX1, &TrayIcon::quit_chosen, this, [this] { close(); });
  TrayX1->offer_deleted_mail([this] { open_deleted_mail(); });
  connect(TrayX1, &TrayIcon::menu_about_to_show, this, &frm_main::refresh_tray);
  connect(Timer1, &QTimer::timeout, this, &frm_main::refresh_tray);
  connect(watch_, &CycleWatch::changed, this, &frm_main::refresh_tray);
  connect(watch_, &CycleWatch::account_failed, this, [this](const QString& account, const QString& failure) {
    TrayX1->notify(kFailTitle + account, failure, true);
  });
  connect(watch_, &CycleWatch::account_recovered, this,
          [this](const QString& account) { TrayX1->notify(kWorksTitle + account, kWorksText, false); });
}

void frm_main::status_logged(const QString& line) {
  watch_->line_logged(line.mid(11), QDateTime::currentDateTime());
}

QDateTime frm_main::next_cycle_time() const {
  const FilterState& state = engine_->state;
  if (state.filtering_on == 0 || !Timer1->isActive()) return {};
  // A cycle runs at the tick that brings tick_count up to filter_minutes.
  const qint64 ticks = qMax(1, program_settings().filter_minutes - state.tick_count);
  const qint64 ms = qMax(0, Timer1->remainingTime()) + (ticks - 1) * Timer1->interval();
  return QDateTime::currentDateTime().addMSecs(ms);
}

void frm_main::refresh_tray() {
  const FilterState& state = engine_->state;
  TrayTipFacts facts;
  facts.filtering_on = state.filtering_on == 1;
  facts.cycle_running = state.busy == 1 && state.tick_count == 0;
  facts.last_cycle = watch_->last_cycle_end();
  facts.next_cycle = next_cycle_time();
  facts.deleted_today = watch_->deleted_on(QDate::currentDate());
  facts.last_errors = watch_->last_cycle_errors();
  TrayX1->set_tip(tray_tip_text(facts));
  TrayX1->set_error(watch_->failing());
  TrayX1->set_window_shown(isVisible() && !isMinimized());
  TrayX1->set_start_stop(Command9->text(), Command9->isEnabled());
}

void frm_main::tray_show_hide() {
  if (isVisible() && !isMinimized()) minimize_to_tray();
  else TrayX1_Click();
}

void frm_main::tray_start_stop() {
  // The same as the button, and only when the button could be pressed.
  if (Command9->isEnabled()) Command9->click();
  refresh_tray();
}

void frm_main::TrayX1_Click() {
  if (isMinimized() || !isVisible()) {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
  }
  raise();
  activateWindow();
}

// The focus moves on for real: not to the box's own context menu, and not because
// another window became active (the box keeps its focus inside this window).
static bool focus_moves_on(const QFocusEvent& e) {
  return e.reason() != Qt::PopupFocusReason && e.reason() != Qt::ActiveWindowFocusReason;
}

bool frm_main::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::FocusOut && focus_moves_on(*static_cast<QFocusEvent*>(e))) {
    if (watched == Text1) Text1_LostFocus();
    else if (watched == Text2) Text2_LostFocus();
  }
  return QWidget::eventFilter(watched, e);
}

// Every change of a setting is written at once, so none is lost however the program ends.
void frm_main::Text1_LostFocus() {
  program_settings().filter_minutes = filter_minutes_entry(Text1->text());
  Text1->setText(QString::number(program_settings().filter_minutes));
  save_settings_if_changed(program_settings());
}

void frm_main::Text2_LostFocus() {
  program_settings().server_timeout = server_timeout_entry(Text2->text());
  Text2->setText(QString::number(program_settings().server_timeout));
  save_settings_if_changed(program_settings());
}

void frm_main::Check2_Click() {
  if (set_autostart(Check2->isChecked(), QCoreApplication::applicationFilePath())) return;
  Check2->setChecked(autostart_enabled());
  show_message(kAutostartError, this);
}

void frm_main::Check1_Click() {
  program_settings().startup_minimized = startup_minimized_entry(Check1->isChecked());
  save_settings_if_changed(program_settings());
}

}  // namespace halvex
