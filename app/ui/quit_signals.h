// SIGTERM and SIGINT as a polite request to end: the handler only writes a byte into a
// pipe, and the event loop turns it into quit_requested(), so the window can save its
// settings and close (after the running cycle's stop) instead of dying on the spot.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace halvex {

class QuitSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers; one object per process.
  explicit QuitSignals(QObject* parent = nullptr);
  ~QuitSignals() override;

 signals:
  void quit_requested(int signal_number);

 private:
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace halvex
