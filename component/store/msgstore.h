// MSGSTORE: mailboxes kept as folders of message files, offered through IMSGSTORE.
// The object fixes its root when created (see store_paths.h) and reads the disk afresh on
// every call. Results follow the interface: `long` 0 for success or existence and 1 for
// failure, empty strings and zero counts where nothing can be given; the status code is
// always S_OK (E_POINTER only for a null result pointer). A null string argument does nothing.
// Beside IMSGSTORE it offers IMSGSTOREBYTES, saving a message given as bytes.
#pragma once

#include "frame/com_object.h"
#include "frame/imsgstore.h"
#include "store/imsgstorebytes.h"
#include "store/mail_folders.h"

namespace velmo {

class MsgStore final : public ComObject<IMSGSTORE, IMSGSTOREBYTES> {
public:
    MsgStore();

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
    // IMSGSTOREBYTES
    HRESULT SaveEmailBytesById(BSTR MailBox, const unsigned char* Raw, LONG Size, BSTR MsgId, LONG* pVal) override;
    HRESULT DeferSync(VARIANT_BOOL Defer) override;

private:
    ~MsgStore() override = default;

    store::MailFolders folders_;
    store::SyncMode byte_saves_ = store::SyncMode::now;
};

}  // namespace velmo
