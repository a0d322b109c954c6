#include "pop_raw.h"

#include "bstr_text.h"

#include "pop3/failure_cause.h"

namespace halvex {

PopRaw::PopRaw(IPOPMAIN* popmain) {
  if (!popmain) return;
  if (FAILED(popmain->QueryInterface(IPOPRAW::iid, raw_.put_void()))) raw_ = {};
  if (FAILED(popmain->QueryInterface(IPOPSTATUS::iid, status_.put_void()))) status_ = {};
}

void PopRaw::set_keeping(bool on) {
  if (!raw_) return;
  raw_->put_KeepRetrieved(on ? 1 : 0);
  raw_->put_AskUniqueIds(on ? 1 : 0);
  // Each retrieval is followed by its Delete once the copy is written: where the server
  // pipelines, the DELE travels with the RETR (the component undoes it when no Delete comes).
  raw_->put_DeleteAhead(on ? 1 : 0);
}

std::optional<QByteArray> PopRaw::take_retrieved(qint32 msg) {
  if (!raw_) return std::nullopt;
  LONG kept = 0;
  LONG size = 0;
  if (raw_->get_RetrievedMsg(&kept) != S_OK || kept != msg || msg == 0 || raw_->get_RetrievedSize(&size) != S_OK)
    return std::nullopt;
  QByteArray bytes(size, Qt::Uninitialized);
  LONG copied = 0;
  const HRESULT hr = raw_->CopyRetrieved(reinterpret_cast<unsigned char*>(bytes.data()), size, &copied);
  raw_->ForgetRetrieved();  // the message is held once, here
  if (hr != S_OK || copied != size) return std::nullopt;
  return bytes;
}

QString PopRaw::unique_id(qint32 msg) const {
  if (!raw_) return {};
  return bstr_result([&](BSTR* out) { raw_->GetUniqueId(msg, out); });
}

bool PopRaw::quit_confirmed() const {
  LONG confirmed = 0;
  return raw_ && raw_->get_QuitConfirmed(&confirmed) == S_OK && confirmed == 1;
}

}  // namespace halvex

namespace halvex {

bool PopRaw::failure_left_mailbox_unchanged() const {
  LONG kind = 0;
  if (!status_ || status_->get_LastFailureKind(&kind) != S_OK) return false;
  switch (static_cast<velmo::FailureKind>(kind)) {
    case velmo::FailureKind::ServerError:
    case velmo::FailureKind::Refused:
    case velmo::FailureKind::NotConnected:
    case velmo::FailureKind::ConnectionLost: return true;
    default: return false;
  }
}

}  // namespace halvex
