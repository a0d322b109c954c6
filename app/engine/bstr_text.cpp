#include "bstr_text.h"

namespace halvex {

QString from_bstr(BSTR text) {
  if (!text) return {};
  return QString::fromUtf16(text, static_cast<qsizetype>(SysStringLen(text)));
}

BstrArg::BstrArg(const QString& text)
    : text_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()),
                              static_cast<UINT>(text.size()))) {}

BstrArg::~BstrArg() { SysFreeString(text_); }

}  // namespace halvex
