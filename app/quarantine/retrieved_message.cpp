#include "retrieved_message.h"

namespace halvex {

QByteArray message_from_retrieved(const QByteArray& reply) {
  const qsizetype first_end = reply.indexOf('\n');
  if (first_end < 0) return {};
  QByteArray out;
  out.reserve(reply.size() - first_end - 1);
  qsizetype line = first_end + 1;
  while (line < reply.size()) {
    qsizetype end = reply.indexOf('\n', line);
    end = end < 0 ? reply.size() : end + 1;
    const bool stuffed = reply.at(line) == '.';
    out.append(reply.constData() + line + (stuffed ? 1 : 0), end - line - (stuffed ? 1 : 0));
    line = end;
  }
  // The session cut the terminator CR LF "." CR LF, whose CR LF ends the message's last line.
  out.append("\r\n");
  return out;
}

}  // namespace halvex
