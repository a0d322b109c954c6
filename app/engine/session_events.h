// SessionEvents: the POPMAIN events the filter engine handles, as plain calls. The event
// sink (popmain_sink.h) turns each dispatched event into one of these on the engine's
// thread. OnRetrieved answers the quarantine's Retrieve (its text is not converted: the
// message's bytes are taken through IPOPRAW, pop_raw.h). OnRetrieve, OnReceiving, OnGetMsgID
// and OnGetSizeOfMails are not routed: a retrieval that is still moving shows in IPOPSTATUS.
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
  // Listeners that never retrieve need not handle it.
  virtual void on_retrieved(qint32 /*msg*/) {}
};

}  // namespace halvex
