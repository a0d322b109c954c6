#include "filter_switch.h"

#include "engine_host.h"
#include "engine_state.h"
#include "engine_texts.h"
#include "filter_cycle.h"
#include "status_log.h"

#include "accounts/settings.h"

#include <climits>

namespace halvex {

SwitchResult FilterSwitch::command9_click() {
  state_.filtering_on = state_.filtering_on == 0 ? 1 : 0;
  SwitchResult result;
  if (state_.filtering_on == 1) {
    if (host_.account_row_count() < 1) {
      state_.filtering_on = 0;
      return SwitchResult::NoAccounts;
    }
    host_.set_start_stop(texts::kStopCaption, true);
    cycle_.buttons(false);
    state_.stop_requested = 0;
    log_.do_status(texts::kFilteringOn);
    // Above filter_minutes, so the direct tick runs the first cycle (saturating: the
    // stored value is used unclamped).
    const qint32 minutes = program_settings().filter_minutes;
    state_.tick_count = minutes < INT_MAX ? minutes + 1 : INT_MAX;
    cycle_.timer_tick();
    result = SwitchResult::Started;
  } else if (state_.busy == 0) {
    host_.set_start_stop(texts::kStartCaption, true);
    cycle_.buttons(true);
    log_.do_status(texts::kFilteringOff);
    result = SwitchResult::Stopped;
  } else {
    host_.set_start_stop(texts::kTerminatingCaption, false);
    log_.do_status(texts::kStoppedByUser);
    state_.stop_requested = 1;
    cycle_.request_stop();
    result = SwitchResult::Stopping;
  }
  host_.pump_events();
  return result;
}

bool FilterSwitch::close_request() {
  if (state_.busy == 0) return true;
  host_.set_start_stop(texts::kExitingCaption, false);
  host_.set_account_buttons_enabled(false);
  log_.do_status(texts::kShutdownByUser);
  state_.shutdown_requested = 1;
  state_.stop_requested = 1;
  cycle_.request_stop();
  return false;
}

}  // namespace halvex
