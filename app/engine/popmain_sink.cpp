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

void PopMainSink::OnRetrieved(const std::string& data, LONG msg) {
  if (target_) target_->on_retrieved(QByteArray(data.data(), static_cast<qsizetype>(data.size())), msg);
}
void PopMainSink::OnReceiving(LONG bytes, LONG msg) {
  if (target_) target_->on_receiving(bytes, msg);
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
