// wait_until: runs the calling thread's Qt events until `done` holds or `ms` have passed.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace halvex::test {

inline bool wait_until(const std::function<bool()>& done, int ms = 20000) {
  QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  return done();
}

}  // namespace halvex::test
