// QtApartmentPump: gives the Qt thread that creates it an apartment, so that a POPMAIN
// worker's events run on this thread, and pumps that apartment from the Qt event loop:
// the wake hook (called on the worker's thread) posts a queued call, which also wakes a
// nested processEvents(WaitForMoreEvents). Create it before subscribing to events.
#pragma once

#include "frame/apartment.h"

#include <QObject>

#include <memory>

namespace halvex {

class QtApartmentPump final : public QObject {
  Q_OBJECT
public:
  QtApartmentPump();
  ~QtApartmentPump() override;

  // Runs the calls queued for this thread now.
  void pump();

private:
  std::shared_ptr<velmo::Apartment> apartment_;
};

}  // namespace halvex
