// SessionEvents: the POPMAIN events the filter engine handles, as plain calls. The event
// sink (popmain_sink.h) turns each dispatched event into one of these on the engine's
// thread. OnRetrieve, OnRetrieved, OnReceiving and OnGetMsgID answer nothing the engine
// asks for and are not routed.
#pragma once

#include <QString>

namespace halvex {

class SessionEvents {
public:
  virtual ~SessionEvents() = default;
  virtual void on_connected() = 0;
  virtual void on_closed() = 0;
  virtual void on_error(qint32 code, const QString& description) = 0;
  virtual void on_total_of_mails(qint32 count) = 0;
  virtual void on_msg_size(qint32 size, qint32 msg) = 0;
  virtual void on_msg_header(const QString& header, qint32 msg) = 0;
  virtual void on_deleted(qint32 msg) = 0;
};

}  // namespace halvex
