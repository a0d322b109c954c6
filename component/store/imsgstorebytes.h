// IMSGSTOREBYTES: saving a message given as bytes. IMSGSTORE takes a message as a UTF-16
// string, which cannot carry bytes that are not UTF-8 (raw Latin-1, say); through this
// interface the file gets the bytes exactly as given. An MSGSTORE object offers it through
// QueryInterface beside IMSGSTORE, which stays exactly as it is. Called through its table of
// operations only (it is not dual).
//
// SaveEmailBytesById(MailBox, Raw, Size, MsgId, pVal): as SaveEmailById, with the message the
//   Size bytes at Raw (up to the first NUL, as a saved message always ends there): 0 once the
//   file is on disk, 1 otherwise (also for a null Raw with a Size above 0, or a negative Size).
// DeferSync(Defer): with VARIANT_TRUE, later SaveEmailBytesById calls of this object write
//   and rename the file without syncing it; the file is synced, with its folder, before any
//   POP3 session of this process that sent DELE sends QUIT. Should that sync fail, the
//   session sends RSET before QUIT, so no message is removed without its copy on disk, and
//   its Close reports the failure. VARIANT_FALSE (the default) syncs every save at once.
#pragma once

#include "frame/bstr.h"
#include "frame/unknown.h"

// {8D47B2E0-1C6A-4F93-A5D8-2E7C9B041F6A}
inline constexpr IID IID_IMSGSTOREBYTES = {
    0x8D47B2E0, 0x1C6A, 0x4F93, {0xA5, 0xD8, 0x2E, 0x7C, 0x9B, 0x04, 0x1F, 0x6A}};

struct IMSGSTOREBYTES : IUnknown {
    static constexpr IID iid = IID_IMSGSTOREBYTES;
    virtual HRESULT SaveEmailBytesById(BSTR MailBox, const unsigned char* Raw, LONG Size, BSTR MsgId,
                                       LONG* pVal) = 0;
    virtual HRESULT DeferSync(VARIANT_BOOL Defer) = 0;

protected:
    ~IMSGSTOREBYTES() = default;
};
