// The message inside a retrieval: Retrieve's text is the server's reply as sent, its
// status line first, the terminator cut off, and every body line that begins with "." stuffed with one more.
#pragma once

#include <QByteArray>

namespace halvex {

// The message as the server keeps it: the status line ("+OK ..." and its CR LF) removed and
// the dot-stuffing undone ("..x" at a line start becomes ".x") and the last line's CR LF,
// which the session took with the terminator, put back. A reply that is only a status line
// holds the empty message.
QByteArray message_from_retrieved(const QByteArray& reply);

}  // namespace halvex
