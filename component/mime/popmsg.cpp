#include "mime/popmsg.h"

#include "frame/class_table.h"

namespace velmo {

// Not built yet: every member answers E_NOTIMPL.
HRESULT PopMsg::get_RawContent(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::put_RawContent(BSTR) { return E_NOTIMPL; }
HRESULT PopMsg::ImportFile(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::ExportFile(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetSubject(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetDate(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetReplyTo(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetAttachmentCount(LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetFrom(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetFromAddress(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetBodyText(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetAltBody(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetBodyFormat(LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::SaveAttachment(BSTR, INT, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::SaveAttachmentAs(BSTR, INT, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetAttachmentName(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetRecipientCount(LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetCCCount(LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetRecipientName(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetRecipientAddr(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetCCName(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetCCAddr(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetAttachmentChunk(INT, VARIANT*) { return E_NOTIMPL; }
HRESULT PopMsg::GetHeaderItem(BSTR, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetAttachmentSize(INT, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetMessageSize(LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::GetHeader(BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetMsgChunk(VARIANT*) { return E_NOTIMPL; }
HRESULT PopMsg::GetContentID(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::GetContentType(INT, BSTR*) { return E_NOTIMPL; }
HRESULT PopMsg::SaveAllAttachments(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::DeleteFile(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT PopMsg::HtmlToText(BSTR, BSTR*) { return E_NOTIMPL; }

HRESULT create_popmsg(REFIID riid, void** ppv) { return create_instance<PopMsg>(riid, ppv); }

}  // namespace velmo
