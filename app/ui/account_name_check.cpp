#include "account_name_check.h"

#include "accounts/account_file.h"

namespace halvex {

namespace {

// A file name holds at most 255 bytes; the save writes ".<name>.dat.XXXXXX" first.
constexpr qsizetype kMaxNameBytes = 200;

const QString kRefusal = QStringLiteral(
    "This account name cannot be used as a file name.\r\r"
    "An account name must not begin with \".\", must not hold \"/\" "
    "and must not be longer than 200 letters.");

}  // namespace

QString description_refusal(const QString& description) {
  if (!valid_account_name(description) || description.startsWith(u'.') ||
      description.toUtf8().size() > kMaxNameBytes)
    return kRefusal;
  return {};
}

}  // namespace halvex
