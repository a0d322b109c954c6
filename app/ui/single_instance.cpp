#include "single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

namespace halvex {

namespace {

const QByteArray kShow = QByteArrayLiteral("show\n");
const QByteArray kShown = QByteArrayLiteral("ok\n");
constexpr int kStepMs = 1000;

}  // namespace

QString instance_socket_name(const QString& folder) {
  const QByteArray digest = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256).toHex().left(20);
  return QStringLiteral("halvex-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

bool bring_running_window_forward(const QString& folder, int wait_ms) {
  const QDeadlineTimer deadline(wait_ms);
  do {
    QLocalSocket socket;
    socket.connectToServer(instance_socket_name(folder));
    if (socket.waitForConnected(kStepMs)) {
      socket.write(kShow);
      if (socket.waitForBytesWritten(kStepMs) && socket.waitForReadyRead(kStepMs * 2) &&
          socket.readAll().startsWith(kShown.trimmed()))
        return true;
    }
    QThread::msleep(100);
  } while (!deadline.hasExpired());
  return false;
}

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) {
          if (socket->bytesAvailable() > 64) socket->abort();  // no request is that long
          return;
        }
        if (socket->readLine() == kShow) {
          socket->write(kShown);
          socket->flush();
          emit show_requested();
        }
        socket->disconnectFromServer();
      });
    }
  });
}

bool InstanceServer::listen(const QString& folder) {
  const QString name = instance_socket_name(folder);
  QLocalServer::removeServer(name);
  return server_->listen(name);
}

}  // namespace halvex
