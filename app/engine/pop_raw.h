// PopRaw: the engine's hold on a POPMAIN object's IPOPRAW, for the quarantine: the retrieved
// message as the server's own bytes (the text OnRetrieved brings is not byte for byte what the
// server sent once a message holds 8-bit text that is not UTF-8), the unique id the server
// gave at a Delete, and whether the session's QUIT was answered. An object without the
// interface keeps no bytes, gives no ids and confirms nothing.
#pragma once

#include "frame/com_ptr.h"
#include "frame/ipopmain.h"
#include "pop3/ipopraw.h"
#include "pop3/ipopstatus.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace halvex {

class PopRaw {
public:
  explicit PopRaw(IPOPMAIN* popmain);

  bool available() const { return static_cast<bool>(raw_); }
  // Keeps each retrieved message, asks the unique id at each Delete and sends each DELE ahead
  // with its RETR, or stops doing all three.
  void set_keeping(bool on);
  // The kept bytes of message `msg`, handed over once (the component lets them go);
  // nullopt when it keeps none of that message.
  std::optional<QByteArray> take_retrieved(qint32 msg);
  // The unique id got at the Delete of `msg`; empty when none.
  QString unique_id(qint32 msg) const;
  // The session ended with its QUIT answered "+OK": its deletions took effect.
  bool quit_confirmed() const;
  // The last failed request cannot have changed the mailbox (IPOPSTATUS): the server refused
  // it, it was never sent, or the connection broke before any QUIT could follow it.
  bool failure_left_mailbox_unchanged() const;

private:
  velmo::ComPtr<IPOPRAW> raw_;
  velmo::ComPtr<IPOPSTATUS> status_;
};

}  // namespace halvex
