// LoopbackRedirect: the redirect target of a browser sign-in (RFC 8252, section 7.3): a
// listener on 127.0.0.1 at a port the system picks, waiting for the one request that
// carries the authorization code. The browser's request is read with a size and time
// limit; a request whose state does not match is answered and ignored, so a stray page
// cannot complete or cancel the sign-in.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpServer>

namespace halvex::oauth {

class LoopbackRedirect : public QObject {
  Q_OBJECT

 public:
  static constexpr qsizetype kMaxRequest = 16 * 1024;
  static constexpr int kRequestTimeoutMs = 10000;

  explicit LoopbackRedirect(QObject* parent = nullptr);

  // Starts listening; false when no port could be had.
  bool listen(const QByteArray& expected_state);
  // "http://127.0.0.1:PORT/"; empty before listen().
  QString redirect_uri() const;
  void close() { server_.close(); }

 signals:
  // The provider sent the browser back with a code.
  void code_received(const QString& code);
  // The provider sent the browser back with an error (the user declined, for example).
  void refused(const QString& error);

 private:
  void take_connection();
  // Answers the request whose head (request line and headers) is complete.
  void answer(class QTcpSocket* socket, const QByteArray& head);

  QTcpServer server_;
  QByteArray state_;
  bool done_ = false;
};

}  // namespace halvex::oauth
