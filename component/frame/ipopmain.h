// IPOPMAIN: the POP3 client's dual interface, members in table order (get before put).
#pragma once

#include "frame/identifiers.h"
#include "frame/unknown.h"

struct IPOPMAIN : IDispatch {
    static constexpr IID iid = IID_IPOPMAIN;
    virtual HRESULT get_ServerPort(LONG* pVal) = 0;                                // 0x02
    virtual HRESULT put_ServerPort(LONG newVal) = 0;                               // 0x02
    virtual HRESULT Connect(BSTR Server, BSTR User, BSTR Password, LONG* pVal) = 0;  // 0x03
    virtual HRESULT GetTotalOfMails(LONG* pVal) = 0;                               // 0x04
    virtual HRESULT GetSizeOfMails(LONG* pVal) = 0;                                // 0x05
    virtual HRESULT get_Timeout(LONG* pVal) = 0;                                   // 0x06
    virtual HRESULT put_Timeout(LONG newVal) = 0;                                  // 0x06
    virtual HRESULT Close() = 0;                                                   // 0x07
    virtual HRESULT Delete(LONG nMsg, LONG* pVal) = 0;                             // 0x08
    virtual HRESULT Retrieve(LONG nMsg, BSTR* pVal) = 0;                           // 0x09
    virtual HRESULT GetMsgHeader(LONG nMsg, BSTR* pVal) = 0;                       // 0x0A
    virtual HRESULT GetMsgSize(LONG nMsg, LONG* pVal) = 0;                         // 0x0B
    virtual HRESULT GetMsgID(LONG nMsg, BSTR* pVal) = 0;                           // 0x0C
    virtual HRESULT NOOP() = 0;                                                    // 0x0D
    virtual HRESULT Reset() = 0;                                                   // 0x0E
    virtual HRESULT get_LogFileName(BSTR* pVal) = 0;                               // 0x0F
    virtual HRESULT put_LogFileName(BSTR newVal) = 0;                              // 0x0F
    virtual HRESULT get_Version(BSTR* pVal) = 0;                                   // 0x10
    virtual HRESULT get_Connected(VARIANT_BOOL* pVal) = 0;                         // 0x11
    virtual HRESULT SecureConnect(BSTR Server, BSTR User, BSTR Password, LONG* pVal) = 0;  // 0x12
    virtual HRESULT get_Asynchronous(LONG* pVal) = 0;                              // 0x13
    virtual HRESULT put_Asynchronous(LONG newVal) = 0;                             // 0x13
    virtual HRESULT Terminate() = 0;                                               // 0x15

protected:
    ~IPOPMAIN() = default;
};

// Dispatch identifiers of IPOPMAIN; 0x01 and 0x14 are not assigned.
enum PopMainDispId : DISPID {
    DISPID_POPMAIN_ServerPort = 0x02,
    DISPID_POPMAIN_Connect = 0x03,
    DISPID_POPMAIN_GetTotalOfMails = 0x04,
    DISPID_POPMAIN_GetSizeOfMails = 0x05,
    DISPID_POPMAIN_Timeout = 0x06,
    DISPID_POPMAIN_Close = 0x07,
    DISPID_POPMAIN_Delete = 0x08,
    DISPID_POPMAIN_Retrieve = 0x09,
    DISPID_POPMAIN_GetMsgHeader = 0x0A,
    DISPID_POPMAIN_GetMsgSize = 0x0B,
    DISPID_POPMAIN_GetMsgID = 0x0C,
    DISPID_POPMAIN_NOOP = 0x0D,
    DISPID_POPMAIN_Reset = 0x0E,
    DISPID_POPMAIN_LogFileName = 0x0F,
    DISPID_POPMAIN_Version = 0x10,
    DISPID_POPMAIN_Connected = 0x11,
    DISPID_POPMAIN_SecureConnect = 0x12,
    DISPID_POPMAIN_Asynchronous = 0x13,
    DISPID_POPMAIN_Terminate = 0x15,
};
