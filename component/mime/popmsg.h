// POPMSG: a parsed Internet mail message offered through IPOPMSG. Converts the interface's
// strings to and from the component's 8-bit text and answers from its MimeMessage. Every
// member returns S_OK whatever the outcome; failures show in the result value. The two byte
// array members alone answer S_FALSE, result untouched, when there is nothing to deliver.
// Header members live in popmsg.cpp, body, attachment and file members in popmsg_parts.cpp.
#pragma once

#include "frame/com_object.h"
#include "frame/ipopmsg.h"
#include "mime/mime_message.h"

namespace velmo {

class PopMsg final : public ComObject<IPOPMSG> {
public:
    HRESULT get_RawContent(BSTR* pVal) override;
    HRESULT put_RawContent(BSTR newVal) override;
    HRESULT ImportFile(BSTR FileName, LONG* pVal) override;
    HRESULT ExportFile(BSTR FileName, LONG* pVal) override;
    HRESULT GetSubject(BSTR* pVal) override;
    HRESULT GetDate(BSTR* pVal) override;
    HRESULT GetReplyTo(BSTR* pVal) override;
    HRESULT GetAttachmentCount(LONG* pVal) override;
    HRESULT GetFrom(BSTR* pVal) override;
    HRESULT GetFromAddress(BSTR* pVal) override;
    HRESULT GetBodyText(BSTR* pVal) override;
    HRESULT GetAltBody(BSTR* pVal) override;
    HRESULT GetBodyFormat(LONG* pVal) override;
    HRESULT SaveAttachment(BSTR sPath, INT nCount, LONG* pVal) override;
    HRESULT SaveAttachmentAs(BSTR sFile, INT nCount, LONG* pVal) override;
    HRESULT GetAttachmentName(INT nCount, BSTR* pVal) override;
    HRESULT GetRecipientCount(LONG* pVal) override;
    HRESULT GetCCCount(LONG* pVal) override;
    HRESULT GetRecipientName(INT nCount, BSTR* pVal) override;
    HRESULT GetRecipientAddr(INT nCount, BSTR* pVal) override;
    HRESULT GetCCName(INT nCount, BSTR* pVal) override;
    HRESULT GetCCAddr(INT nCount, BSTR* pVal) override;
    HRESULT GetAttachmentChunk(INT nCount, VARIANT* pVal) override;
    HRESULT GetHeaderItem(BSTR sItem, BSTR* pVal) override;
    HRESULT GetAttachmentSize(INT nCount, LONG* pVal) override;
    HRESULT GetMessageSize(LONG* pVal) override;
    HRESULT GetHeader(BSTR* pVal) override;
    HRESULT GetMsgChunk(VARIANT* pVal) override;
    HRESULT GetContentID(INT nCount, BSTR* pVal) override;
    HRESULT GetContentType(INT nCount, BSTR* pVal) override;
    HRESULT SaveAllAttachments(BSTR sPath, LONG* pVal) override;
    HRESULT DeleteFile(BSTR sFile, LONG* pVal) override;
    HRESULT HtmlToText(BSTR Html, BSTR* pVal) override;

private:
    ~PopMsg() override = default;
    bool in_range(INT nCount);  // an attachment number from 1 to the count
    void load(std::string text, TextOrigin origin);

    MimeMessage message_;
    std::string spare_;  // storage of an earlier content, reused by the next ImportFile
};

}  // namespace velmo
