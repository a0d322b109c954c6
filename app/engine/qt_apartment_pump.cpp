#include "qt_apartment_pump.h"

#include <QMetaObject>

#include <chrono>

namespace halvex {

QtApartmentPump::QtApartmentPump() {
  velmo::Apartment::enter();
  apartment_ = velmo::Apartment::current();
  if (apartment_)
    apartment_->set_wake_hook([this] { QMetaObject::invokeMethod(this, &QtApartmentPump::pump, Qt::QueuedConnection); });
}

QtApartmentPump::~QtApartmentPump() {
  // Waits for a hook running on a worker, so none refers to this object afterwards; calls
  // already posted die with the object.
  if (apartment_) apartment_->set_wake_hook({});
  velmo::Apartment::leave();
}

void QtApartmentPump::pump() { velmo::Apartment::pump(std::chrono::milliseconds(0)); }

}  // namespace halvex
