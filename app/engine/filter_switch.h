// FilterSwitch: switching filtering on and off (the start/stop button Command9) and the
// window's close request while a cycle may be running. The window calls these and only
// adds what is its own (the message box, disabling its other buttons).
#pragma once

namespace halvex {

class EngineHost;
class FilterCycle;
class StatusLog;
struct FilterState;

enum class SwitchResult {
  Started,     // filtering on; the first cycle has run
  NoAccounts,  // nothing to filter: the window shows "Please add an email account."
  Stopped,     // filtering off between cycles
  Stopping,    // filtering off; the running cycle stops after its current request, which
               // is given up when the server has not answered it shortly after the stop
};

class FilterSwitch {
public:
  FilterSwitch(EngineHost& host, FilterState& state, StatusLog& log, FilterCycle& cycle)
      : host_(host), state_(state), log_(log), cycle_(cycle) {}

  // Command9's click.
  SwitchResult command9_click();

  // A request to close the window. True: it may close now. False: a cycle runs; it has
  // been asked to stop and will close the window itself (the window disables its other
  // buttons meanwhile).
  bool close_request();

private:
  EngineHost& host_;
  FilterState& state_;
  StatusLog& log_;
  FilterCycle& cycle_;
};

}  // namespace halvex
