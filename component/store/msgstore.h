// MSGSTORE: mailboxes kept as folders of message files.
#pragma once

#include "frame/com_object.h"
#include "frame/imsgstore.h"

namespace velmo {

class MsgStore final : public ComObject<IMSGSTORE> {
public:
    HRESULT CreateMailBox(BSTR MailBox, LONG* pVal) override;
    HRESULT DeleteMailBox(BSTR MailBox, LONG* pVal) override;
    HRESULT ClearMailBox(BSTR MailBox, LONG* pVal) override;
    HRESULT IsMailBoxExisted(BSTR MailBox, LONG* pVal) override;
    HRESULT GetMailBoxPath(BSTR MailBox, BSTR* pVal) override;
    HRESULT GetMailBoxCount(LONG* pVal) override;
    HRESULT GetMailBoxName(LONG Index, BSTR* pVal) override;
    HRESULT GetEmailCount(BSTR MailBox, LONG* pVal) override;
    HRESULT GetEmailId(BSTR MailBox, LONG Index, BSTR* pVal) override;
    HRESULT IsEmailExisted(BSTR MailBox, BSTR MsgId, LONG* pVal) override;
    HRESULT DeleteEmail(BSTR MailBox, LONG Index, LONG* pVal) override;
    HRESULT DeleteEmailById(BSTR MailBox, BSTR MsgId, LONG* pVal) override;
    HRESULT GetEmail(BSTR MailBox, LONG Index, BSTR* pVal) override;
    HRESULT GetEmailById(BSTR MailBox, BSTR MsgId, BSTR* pVal) override;
    HRESULT SaveEmail(BSTR MailBox, BSTR Raw, LONG* pVal) override;
    HRESULT SaveEmailById(BSTR MailBox, BSTR Raw, BSTR MsgId, LONG* pVal) override;
};

}  // namespace velmo
