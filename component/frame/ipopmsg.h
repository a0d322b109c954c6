// IPOPMSG: the parsed message's dual interface, members in table order (get before put).
// Recipients, copy recipients and attachments count from 1.
#pragma once

#include "frame/identifiers.h"
#include "frame/unknown.h"

struct IPOPMSG : IDispatch {
    static constexpr IID iid = IID_IPOPMSG;
    virtual HRESULT get_RawContent(BSTR* pVal) = 0;                        // 0x01
    virtual HRESULT put_RawContent(BSTR newVal) = 0;                       // 0x01
    virtual HRESULT ImportFile(BSTR FileName, LONG* pVal) = 0;             // 0x02
    virtual HRESULT ExportFile(BSTR FileName, LONG* pVal) = 0;             // 0x03
    virtual HRESULT GetSubject(BSTR* pVal) = 0;                            // 0x04
    virtual HRESULT GetDate(BSTR* pVal) = 0;                               // 0x05
    virtual HRESULT GetReplyTo(BSTR* pVal) = 0;                            // 0x06
    virtual HRESULT GetAttachmentCount(LONG* pVal) = 0;                    // 0x07
    virtual HRESULT GetFrom(BSTR* pVal) = 0;                               // 0x08
    virtual HRESULT GetFromAddress(BSTR* pVal) = 0;                        // 0x09
    virtual HRESULT GetBodyText(BSTR* pVal) = 0;                           // 0x0A
    virtual HRESULT GetAltBody(BSTR* pVal) = 0;                            // 0x0B
    virtual HRESULT GetBodyFormat(LONG* pVal) = 0;                         // 0x0C
    virtual HRESULT SaveAttachment(BSTR sPath, INT nCount, LONG* pVal) = 0;   // 0x0D
    virtual HRESULT SaveAttachmentAs(BSTR sFile, INT nCount, LONG* pVal) = 0; // 0x0E
    virtual HRESULT GetAttachmentName(INT nCount, BSTR* pVal) = 0;         // 0x0F
    virtual HRESULT GetRecipientCount(LONG* pVal) = 0;                     // 0x10
    virtual HRESULT GetCCCount(LONG* pVal) = 0;                            // 0x11
    virtual HRESULT GetRecipientName(INT nCount, BSTR* pVal) = 0;          // 0x12
    virtual HRESULT GetRecipientAddr(INT nCount, BSTR* pVal) = 0;          // 0x13
    virtual HRESULT GetCCName(INT nCount, BSTR* pVal) = 0;                 // 0x14
    virtual HRESULT GetCCAddr(INT nCount, BSTR* pVal) = 0;                 // 0x15
    virtual HRESULT GetAttachmentChunk(INT nCount, VARIANT* pVal) = 0;     // 0x16
    virtual HRESULT GetHeaderItem(BSTR sItem, BSTR* pVal) = 0;             // 0x17
    virtual HRESULT GetAttachmentSize(INT nCount, LONG* pVal) = 0;         // 0x18
    virtual HRESULT GetMessageSize(LONG* pVal) = 0;                        // 0x19
    virtual HRESULT GetHeader(BSTR* pVal) = 0;                             // 0x1A
    virtual HRESULT GetMsgChunk(VARIANT* pVal) = 0;                        // 0x1C
    virtual HRESULT GetContentID(INT nCount, BSTR* pVal) = 0;              // 0x1D
    virtual HRESULT GetContentType(INT nCount, BSTR* pVal) = 0;            // 0x1E
    virtual HRESULT SaveAllAttachments(BSTR sPath, LONG* pVal) = 0;        // 0x1F
    virtual HRESULT DeleteFile(BSTR sFile, LONG* pVal) = 0;                // 0x20
    virtual HRESULT HtmlToText(BSTR Html, BSTR* pVal) = 0;                 // 0x21

protected:
    ~IPOPMSG() = default;
};
