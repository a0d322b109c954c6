#include "pop3/popmain.h"

#include "frame/class_table.h"

namespace velmo {

// Not built yet: every member answers E_NOTIMPL.
HRESULT PopMain::get_ServerPort(LONG*) { return E_NOTIMPL; }
HRESULT PopMain::put_ServerPort(LONG) { return E_NOTIMPL; }
HRESULT PopMain::Connect(BSTR, BSTR, BSTR, LONG*) { return E_NOTIMPL; }
HRESULT PopMain::GetTotalOfMails(LONG*) { return E_NOTIMPL; }
HRESULT PopMain::GetSizeOfMails(LONG*) { return E_NOTIMPL; }
HRESULT PopMain::get_Timeout(LONG*) { return E_NOTIMPL; }
HRESULT PopMain::put_Timeout(LONG) { return E_NOTIMPL; }
HRESULT PopMain::Close() { return E_NOTIMPL; }
HRESULT PopMain::Delete(LONG, LONG*) { return E_NOTIMPL; }
HRESULT PopMain::Retrieve(LONG, BSTR*) { return E_NOTIMPL; }
HRESULT PopMain::GetMsgHeader(LONG, BSTR*) { return E_NOTIMPL; }
HRESULT PopMain::GetMsgSize(LONG, LONG*) { return E_NOTIMPL; }
HRESULT PopMain::GetMsgID(LONG, BSTR*) { return E_NOTIMPL; }
HRESULT PopMain::NOOP() { return E_NOTIMPL; }
HRESULT PopMain::Reset() { return E_NOTIMPL; }
HRESULT PopMain::get_LogFileName(BSTR*) { return E_NOTIMPL; }
HRESULT PopMain::put_LogFileName(BSTR) { return E_NOTIMPL; }
HRESULT PopMain::get_Version(BSTR*) { return E_NOTIMPL; }
HRESULT PopMain::get_Connected(VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT PopMain::SecureConnect(BSTR, BSTR, BSTR, LONG*) { return E_NOTIMPL; }
HRESULT PopMain::get_Asynchronous(LONG*) { return E_NOTIMPL; }
HRESULT PopMain::put_Asynchronous(LONG) { return E_NOTIMPL; }
HRESULT PopMain::Terminate() { return E_NOTIMPL; }

HRESULT create_popmain(REFIID riid, void** ppv) { return create_instance<PopMain>(riid, ppv); }

}  // namespace velmo
