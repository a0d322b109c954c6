#include "loopback_redirect.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

namespace halvex::oauth {

namespace {

void reply(QTcpSocket* socket, const char* status, const QString& text) {
  const QByteArray body = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Halvex</title></head><body><p>" +
                          text.toHtmlEscaped().toUtf8() + "</p></body></html>";
  socket->write(QByteArray("HTTP/1.1 ") + status +
                "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\n\r\n" + body);
  socket->disconnectFromHost();
}

}  // namespace

LoopbackRedirect::LoopbackRedirect(QObject* parent) : QObject(parent) {
  connect(&server_, &QTcpServer::newConnection, this, &LoopbackRedirect::take_connection);
}

bool LoopbackRedirect::listen(const QByteArray& expected_state) {
  state_ = expected_state;
  done_ = false;
  return server_.listen(QHostAddress::LocalHost, 0);
}

QString LoopbackRedirect::redirect_uri() const {
  if (!server_.isListening()) return {};
  return QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort());
}

void LoopbackRedirect::take_connection() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    auto* head = new QByteArray;
    connect(socket, &QObject::destroyed, socket, [head] { delete head; });
    QTimer::singleShot(kRequestTimeoutMs, socket, [socket] { socket->abort(); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
      *head += socket->read(kMaxRequest + 1 - head->size());
      if (head->size() > kMaxRequest) {
        reply(socket, "431 Request Header Fields Too Large", QStringLiteral("Request too large."));
        return;
      }
      if (head->contains("\r\n\r\n") || head->contains("\n\n")) {
        socket->disconnect(this);
        answer(socket, *head);
      }
    });
  }
}

void LoopbackRedirect::answer(QTcpSocket* socket, const QByteArray& head) {
  const QList<QByteArray> words = head.left(head.indexOf('\n')).trimmed().split(' ');
  if (words.size() < 2 || words[0] != "GET") {
    reply(socket, "405 Method Not Allowed", QStringLiteral("Only the sign-in redirect is served here."));
    return;
  }
  const QUrl target(QString::fromLatin1(words[1]));
  const QUrlQuery query(target);
  const QString state = query.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded);
  if (done_ || target.path() != QStringLiteral("/") || state.isEmpty() || state.toLatin1() != state_) {
    reply(socket, "400 Bad Request", QStringLiteral("This is not the sign-in Halvex is waiting for."));
    return;
  }
  const QString code = query.queryItemValue(QStringLiteral("code"), QUrl::FullyDecoded);
  const QString error = query.queryItemValue(QStringLiteral("error"), QUrl::FullyDecoded);
  done_ = true;
  server_.close();
  if (code.isEmpty()) {
    reply(socket, "200 OK", QStringLiteral("Sign-in was not completed. You can close this window."));
    emit refused(error.isEmpty() ? QStringLiteral("no code") : error.left(100));
    return;
  }
  reply(socket, "200 OK", QStringLiteral("Signed in. You can close this window and go back to Halvex."));
  emit code_received(code);
}

}  // namespace halvex::oauth
