// PopMainSink: the engine's listener for a POPMAIN object's events, and the subscription
// that connects it. Events arrive on the thread that subscribed (its apartment must be
// pumped, qt_apartment_pump.h) and are handed to SessionEvents as QStrings.
#pragma once

#include "session_events.h"

#include "frame/com_ptr.h"
#include "frame/event_sink.h"
#include "frame/ipopmain.h"

namespace halvex {

class PopMainSink final : public velmo::EventSink {
public:
  // The events the engine has no handler for are declined: each would be a trip between the
  // component's thread and this one for nothing (OnRetrieve and at least one OnReceiving come
  // with every kept copy; the wait watches a retrieval move through IPOPSTATUS instead).
  explicit PopMainSink(SessionEvents* target)
      : velmo::EventSink({DISPID_OnRetrieve, DISPID_OnReceiving, DISPID_OnGetMsgID, DISPID_OnGetSizeOfMails}),
        target_(target) {}
  // Stops routing; the component may still hold a reference for a moment.
  void detach() { target_ = nullptr; }

  void OnConnected() override;
  void OnClosed() override;
  void OnDeleted(LONG msg) override;
  void OnGetMsgSize(LONG size, LONG msg) override;
  void OnGetTotalOfMails(LONG count) override;
  void OnGetMsgHeader(const std::string& data, LONG msg) override;
  void OnError(LONG number, const std::string& description) override;
  // OnRetrieved is answered here without turning its text into 8-bit text: the engine takes
  // the message's bytes through IPOPRAW, and a copy of a large message would only cost memory.
  HRESULT Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* arg_error) override;

private:
  ~PopMainSink() override = default;
  SessionEvents* target_;
};

// Subscribes a sink routing to `target` to the events of `popmain` for its lifetime.
class EventSubscription {
public:
  EventSubscription(IPOPMAIN* popmain, SessionEvents* target);
  ~EventSubscription();
  EventSubscription(const EventSubscription&) = delete;
  EventSubscription& operator=(const EventSubscription&) = delete;

  bool connected() const { return cookie_ != 0; }

private:
  velmo::ComPtr<IConnectionPoint> point_;
  PopMainSink* sink_ = nullptr;
  DWORD cookie_ = 0;
};

}  // namespace halvex
