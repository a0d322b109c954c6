#include "message_verdict.h"

namespace halvex {

bool judge_message(const AccountRecord& record, const HeaderFields& fields, qint32 message_size,
                   const std::function<bool()>& alert) {
  bool mark = size_rule(record, message_size);
  // check_from has no side effect; it is asked whatever the size rule said.
  if (check_from(record, fields.from_address, fields.from_name)) mark = true;
  if (!mark) mark = check_to(record, fields.to_name, fields.to_address);
  if (!mark) mark = check_subject(record, fields.subject);
  if (!mark && alert) mark = alert();
  return mark;
}

}  // namespace halvex
