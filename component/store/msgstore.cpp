#include "store/msgstore.h"

#include "frame/class_table.h"

namespace velmo {

// Not built yet: every member answers E_NOTIMPL.
HRESULT MsgStore::CreateMailBox(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::DeleteMailBox(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::ClearMailBox(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::IsMailBoxExisted(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::GetMailBoxPath(BSTR, BSTR*) { return E_NOTIMPL; }
HRESULT MsgStore::GetMailBoxCount(LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::GetMailBoxName(LONG, BSTR*) { return E_NOTIMPL; }
HRESULT MsgStore::GetEmailCount(BSTR, LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::GetEmailId(BSTR, LONG, BSTR*) { return E_NOTIMPL; }
HRESULT MsgStore::IsEmailExisted(BSTR, BSTR, LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::DeleteEmail(BSTR, LONG, LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::DeleteEmailById(BSTR, BSTR, LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::GetEmail(BSTR, LONG, BSTR*) { return E_NOTIMPL; }
HRESULT MsgStore::GetEmailById(BSTR, BSTR, BSTR*) { return E_NOTIMPL; }
HRESULT MsgStore::SaveEmail(BSTR, BSTR, LONG*) { return E_NOTIMPL; }
HRESULT MsgStore::SaveEmailById(BSTR, BSTR, BSTR, LONG*) { return E_NOTIMPL; }

HRESULT create_msgstore(REFIID riid, void** ppv) { return create_instance<MsgStore>(riid, ppv); }

}  // namespace velmo
