// The hand-over between a running Halvex window and a second start of the program over
// the same application folder: the running window listens on a local socket named after
// its user and folder; the second start connects, asks it to come forward, and ends.
// Which process may filter is decided by InstanceLock, not by the socket.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace halvex {

// The socket's name for `folder` (unique per user and folder).
QString instance_socket_name(const QString& folder);

// Asks the window running over `folder` to come forward, retrying for up to `wait_ms`
// while that window may still be starting. True when it answered.
bool bring_running_window_forward(const QString& folder, int wait_ms = 3000);

class InstanceServer : public QObject {
  Q_OBJECT

 public:
  explicit InstanceServer(QObject* parent = nullptr);

  // Listens for later starts over `folder`; the caller holds the InstanceLock, so a
  // socket left behind by a dead window is removed first.
  bool listen(const QString& folder);

 signals:
  // A later start asked the window to come forward.
  void show_requested();

 private:
  QLocalServer* server_;
};

}  // namespace halvex
