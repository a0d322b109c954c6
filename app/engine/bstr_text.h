// QString to and from the component's automation strings (UTF-16 on both sides).
#pragma once

#include "frame/bstr.h"

#include <QString>

namespace halvex {

// The text of a BSTR; null reads as empty.
QString from_bstr(BSTR text);

// Owns a fresh BSTR copy of a QString for the length of one call.
class BstrArg {
public:
  explicit BstrArg(const QString& text);
  ~BstrArg();
  BstrArg(const BstrArg&) = delete;
  BstrArg& operator=(const BstrArg&) = delete;
  operator BSTR() const { return text_; }

private:
  BSTR text_;
};

// Calls getter(&out) and returns its text, freeing the BSTR; empty on failure.
template <class Getter>
QString bstr_result(Getter&& getter) {
  BSTR out = nullptr;
  getter(&out);
  QString text = from_bstr(out);
  SysFreeString(out);
  return text;
}

}  // namespace halvex
