#include "popmain_sink.h"

#include <QString>

namespace halvex {

namespace {
QString text_of(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
}  // namespace

void PopMainSink::OnConnected() {
  if (target_) target_->on_connected();
}
void PopMainSink::OnClosed() {
  if (target_) target_->on_closed();
}
void PopMainSink::OnDeleted(LONG msg) {
  if (target_) target_->on_deleted(msg);
}
void PopMainSink::OnGetMsgSize(LONG size, LONG msg) {
  if (target_) target_->on_msg_size(size, msg);
}
void PopMainSink::OnGetTotalOfMails(LONG count) {
  if (target_) target_->on_total_of_mails(count);
}
void PopMainSink::OnGetMsgHeader(const std::string& data, LONG msg) {
  if (target_) target_->on_msg_header(text_of(data), msg);
}
void PopMainSink::OnError(LONG number, const std::string& description) {
  if (target_) target_->on_error(number, text_of(description));
}

HRESULT PopMainSink::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* exception, UINT* arg_error) {
  if (id != DISPID_OnRetrieved) return EventSink::Invoke(id, riid, lcid, flags, params, result, exception, arg_error);
  // (sData, lCount), in reverse order.
  if (!params || params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
  if (params->rgvarg[1].vt != VT_BSTR || params->rgvarg[0].vt != VT_I4) return DISP_E_TYPEMISMATCH;
  if (target_) target_->on_retrieved(params->rgvarg[0].lVal);
  return S_OK;
}

EventSubscription::EventSubscription(IPOPMAIN* popmain, SessionEvents* target) {
  velmo::ComPtr<IConnectionPointContainer> container;
  if (!popmain || FAILED(popmain->QueryInterface(IConnectionPointContainer::iid, container.put_void())))
    return;
  if (FAILED(container->FindConnectionPoint(DIID__IEventThreadObjEvents, point_.put()))) return;
  sink_ = new PopMainSink(target);
  DWORD cookie = 0;
  if (SUCCEEDED(point_->Advise(sink_, &cookie))) cookie_ = cookie;
}

EventSubscription::~EventSubscription() {
  if (sink_) sink_->detach();
  if (point_ && cookie_ != 0) point_->Unadvise(cookie_);
  if (sink_) sink_->Release();
}

}  // namespace halvex
