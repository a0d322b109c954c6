// POPMAIN: the POP3 client object.
#pragma once

#include "frame/com_object.h"
#include "frame/ipopmain.h"

namespace velmo {

class PopMain final : public ComObject<IPOPMAIN> {
public:
    HRESULT get_ServerPort(LONG* pVal) override;
    HRESULT put_ServerPort(LONG newVal) override;
    HRESULT Connect(BSTR Server, BSTR User, BSTR Password, LONG* pVal) override;
    HRESULT GetTotalOfMails(LONG* pVal) override;
    HRESULT GetSizeOfMails(LONG* pVal) override;
    HRESULT get_Timeout(LONG* pVal) override;
    HRESULT put_Timeout(LONG newVal) override;
    HRESULT Close() override;
    HRESULT Delete(LONG nMsg, LONG* pVal) override;
    HRESULT Retrieve(LONG nMsg, BSTR* pVal) override;
    HRESULT GetMsgHeader(LONG nMsg, BSTR* pVal) override;
    HRESULT GetMsgSize(LONG nMsg, LONG* pVal) override;
    HRESULT GetMsgID(LONG nMsg, BSTR* pVal) override;
    HRESULT NOOP() override;
    HRESULT Reset() override;
    HRESULT get_LogFileName(BSTR* pVal) override;
    HRESULT put_LogFileName(BSTR newVal) override;
    HRESULT get_Version(BSTR* pVal) override;
    HRESULT get_Connected(VARIANT_BOOL* pVal) override;
    HRESULT SecureConnect(BSTR Server, BSTR User, BSTR Password, LONG* pVal) override;
    HRESULT get_Asynchronous(LONG* pVal) override;
    HRESULT put_Asynchronous(LONG newVal) override;
    HRESULT Terminate() override;
};

}  // namespace velmo
