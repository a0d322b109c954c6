// IMSGSTORE: the mailbox store's dual interface, members in table order.
// Mailboxes and messages count from 0; `long` success values are 0 for success, 1 for failure.
#pragma once

#include "frame/identifiers.h"
#include "frame/unknown.h"

struct IMSGSTORE : IDispatch {
    static constexpr IID iid = IID_IMSGSTORE;
    virtual HRESULT CreateMailBox(BSTR MailBox, LONG* pVal) = 0;                   // 0x01
    virtual HRESULT DeleteMailBox(BSTR MailBox, LONG* pVal) = 0;                   // 0x02
    virtual HRESULT ClearMailBox(BSTR MailBox, LONG* pVal) = 0;                    // 0x03
    virtual HRESULT IsMailBoxExisted(BSTR MailBox, LONG* pVal) = 0;                // 0x04
    virtual HRESULT GetMailBoxPath(BSTR MailBox, BSTR* pVal) = 0;                  // 0x05
    virtual HRESULT GetMailBoxCount(LONG* pVal) = 0;                               // 0x06
    virtual HRESULT GetMailBoxName(LONG Index, BSTR* pVal) = 0;                    // 0x07
    virtual HRESULT GetEmailCount(BSTR MailBox, LONG* pVal) = 0;                   // 0x08
    virtual HRESULT GetEmailId(BSTR MailBox, LONG Index, BSTR* pVal) = 0;          // 0x09
    virtual HRESULT IsEmailExisted(BSTR MailBox, BSTR MsgId, LONG* pVal) = 0;      // 0x0A
    virtual HRESULT DeleteEmail(BSTR MailBox, LONG Index, LONG* pVal) = 0;         // 0x0B
    virtual HRESULT DeleteEmailById(BSTR MailBox, BSTR MsgId, LONG* pVal) = 0;     // 0x0C
    virtual HRESULT GetEmail(BSTR MailBox, LONG Index, BSTR* pVal) = 0;            // 0x0D
    virtual HRESULT GetEmailById(BSTR MailBox, BSTR MsgId, BSTR* pVal) = 0;        // 0x0E
    virtual HRESULT SaveEmail(BSTR MailBox, BSTR Raw, LONG* pVal) = 0;             // 0x0F
    virtual HRESULT SaveEmailById(BSTR MailBox, BSTR Raw, BSTR MsgId, LONG* pVal) = 0;  // 0x10

protected:
    ~IMSGSTORE() = default;
};
