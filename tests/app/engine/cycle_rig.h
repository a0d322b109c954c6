// CycleRig: a whole filter engine as the main window would hold it, on the test's thread:
// account files in a temporary application folder, the real POPMAIN (asynchronous) and
// POPMSG objects, the apartment pumped by the Qt loop, and a RecordingHost as the window.
#pragma once

#include "engine/engine_state.h"
#include "engine/filter_cycle.h"
#include "engine/filter_switch.h"
#include "engine/popmain_sink.h"
#include "engine/qt_apartment_pump.h"
#include "engine/session_link.h"
#include "engine/status_log.h"

#include "accounts/account_file.h"
#include "accounts/account_state.h"
#include "accounts/app_folder.h"
#include "accounts/settings.h"

#include "frame/com_ptr.h"
#include "frame/exports.h"

#include "recording_host.h"

#include <QTemporaryDir>

#include <memory>

namespace halvex::test {

inline AccountRecord account_at(const QString& description, const std::string& address,
                                QStringList from_list = {}) {
  AccountRecord r;
  r.description = description;
  r.server = QString::fromStdString(address);
  r.user_id = QStringLiteral("user");
  r.password = QStringLiteral("secret");
  r.from_list = std::move(from_list);
  return r;
}

// True when the component's POPMAIN offers its event connection point: until it does,
// nothing of the cycle can run, and the cycle's tests say so instead of failing.
inline bool popmain_offers_events() {
  velmo::ComPtr<IPOPMAIN> popmain;
  if (FAILED(VelmoCreateInstance(u"Velmo.POPMAIN", IPOPMAIN::iid, popmain.put_void()))) return false;
  velmo::ComPtr<IConnectionPointContainer> container;
  return SUCCEEDED(popmain->QueryInterface(IConnectionPointContainer::iid, container.put_void()));
}

#define REQUIRE_POPMAIN_EVENTS()                                                         \
  do {                                                                                   \
    if (!::halvex::test::popmain_offers_events())                                        \
      GTEST_SKIP() << "POPMAIN offers no event connection point in this build";          \
  } while (0)

class CycleRig {
public:
  CycleRig() {
    qputenv("HALVEX_HOME", QFile::encodeName(home.path()));
    folder = resolve_app_folder();
    program_settings() = ProgramSettings{};
    program_settings().server_timeout = 5;
    program_settings().filter_minutes = 1;
    account_names().clear();
    VelmoCreateInstance(u"Velmo.POPMAIN", IPOPMAIN::iid, popmain.put_void());
    VelmoCreateInstance(u"Velmo.POPMSG", IPOPMSG::iid, popmsg.put_void());
    if (popmain) popmain->put_Asynchronous(1);
    link = std::make_unique<SessionLink>(host, popmain.get(), popmsg.get());
    subscription = std::make_unique<EventSubscription>(popmain.get(), link.get());
    CycleOptions options;
    options.program_folder = folder;
    cycle = std::make_unique<FilterCycle>(host, state, log, *link, options);
    filter_switch = std::make_unique<FilterSwitch>(host, state, log, *cycle);
  }
  ~CycleRig() {
    filter_switch.reset();
    cycle.reset();
    subscription.reset();
    link.reset();
    popmsg.reset();
    popmain.reset();
  }

  bool ready() const { return !folder.isEmpty() && popmain && popmsg && subscription->connected(); }

  // Writes the accounts' files and lists them in this order.
  void set_accounts(const QList<AccountRecord>& accounts) {
    account_names().clear();
    for (const AccountRecord& a : accounts) {
      save_account(folder, a.description, a);
      account_names().append(a.description);
    }
    host.rows = static_cast<int>(account_names().size());
  }

  // The start command, which runs the first cycle at once.
  SwitchResult start() { return filter_switch->command9_click(); }

  QTemporaryDir home;
  QString folder;
  RecordingHost host;
  FilterState state;
  StatusLog log{host};
  QtApartmentPump pump;
  velmo::ComPtr<IPOPMAIN> popmain;
  velmo::ComPtr<IPOPMSG> popmsg;
  std::unique_ptr<SessionLink> link;
  std::unique_ptr<EventSubscription> subscription;
  std::unique_ptr<FilterCycle> cycle;
  std::unique_ptr<FilterSwitch> filter_switch;
};

}  // namespace halvex::test
