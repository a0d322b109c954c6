// IPOPRAW: what the server sent, as bytes, for a client that must keep a message exactly as
// the server keeps it (a copy made before Delete). Text results and events go through the
// interface's UTF-16 strings, which cannot carry bytes that are not UTF-8; this interface
// hands out the bytes themselves. A POPMAIN object offers it through QueryInterface beside
// IPOPMAIN, which stays exactly as it is, as do its events. Called through its table of
// operations only (it is not dual: late-bound clients see IPOPMAIN alone).
//
// KeepRetrieved: 0 (the default) or 1. While 1, each successful Retrieve, in either mode, also
//   keeps the message as bytes: the status line dropped, the dot-stuffing undone ("..x" at a
//   line start is ".x") and the terminating "." line cut off, the CR LF before it staying as
//   the end of the last line. Each NUL the server sent arrives as a space, as in every reply
//   of the session. The bytes are kept (without a copy of the text the events carry) until the
//   next Retrieve, a new Connect or SecureConnect, or ForgetRetrieved.
// get_RetrievedMsg: the number of the message kept; 0 when none is.
// get_RetrievedSize: its length in bytes; 0 when none is kept.
// CopyRetrieved(buffer, size, copied): copies the kept message into buffer, which must hold
//   get_RetrievedSize bytes (E_INVALIDARG when size is smaller, nothing copied); *copied gets
//   the count. S_FALSE with 0 copied when nothing is kept.
// ForgetRetrieved: lets the kept bytes go.
//
// AskUniqueIds: 0 (the default) or 1. While 1, each Delete, in either mode, first asks the
//   server for the message's unique id with "UIDL n" (sent in one go with "DELE n" where the
//   server pipelines, so it costs no round trip there) when the server listed UIDL in its CAPA
//   answer; the connection's UIDL listing answers instead once GetMsgID has loaded it. A
//   server without CAPA or UIDL, a "-ERR", or a reply that holds no id for n leave the id
//   empty, and the Delete goes on either way.
// GetUniqueId(nMsg, id): the id got at the last Delete, when that Delete was of message nMsg
//   on this connection; S_FALSE and an empty string otherwise.
//
// DeleteAhead: 0 (the default) or 1. While 1, with KeepRetrieved 1 and a server that
//   pipelines, each Retrieve in asynchronous mode sends "DELE n" (after "UIDL n" when ids are
//   asked) in one go with "RETR n", so that the Delete(n) which follows costs no round trip;
//   its events and results are those of any Delete. A DELE only marks a message: the server
//   removes it at QUIT. Unless the next Delete is Delete(n), the mark is undone before any
//   other command goes to the server: RSET, then DELE again for the messages this connection
//   deleted before. A connection that ends without Delete(n) undoes it the same way before its
//   QUIT; where the undo fails (the stream broke, a reply was not "+OK") no QUIT is sent at all, so
//   the server removes nothing of that connection.
//
// QuitConfirmed: 1 once the connection has ended with its QUIT answered "+OK": the server has
//   then removed the messages Delete marked. 0 while it stands, and when it ended otherwise (no
//   QUIT, no answer, "-ERR"): its deletions may not have taken effect.
#pragma once

#include "frame/bstr.h"
#include "frame/unknown.h"

// {3C9A1F64-5B2E-4D7A-8E1C-6F0B9D2A7E35}
inline constexpr IID IID_IPOPRAW = {
    0x3C9A1F64, 0x5B2E, 0x4D7A, {0x8E, 0x1C, 0x6F, 0x0B, 0x9D, 0x2A, 0x7E, 0x35}};

struct IPOPRAW : IUnknown {
    static constexpr IID iid = IID_IPOPRAW;
    virtual HRESULT get_KeepRetrieved(LONG* pVal) = 0;
    virtual HRESULT put_KeepRetrieved(LONG newVal) = 0;
    virtual HRESULT get_RetrievedMsg(LONG* pVal) = 0;
    virtual HRESULT get_RetrievedSize(LONG* pVal) = 0;
    virtual HRESULT CopyRetrieved(unsigned char* buffer, LONG size, LONG* copied) = 0;
    virtual HRESULT ForgetRetrieved() = 0;
    virtual HRESULT get_AskUniqueIds(LONG* pVal) = 0;
    virtual HRESULT put_AskUniqueIds(LONG newVal) = 0;
    virtual HRESULT GetUniqueId(LONG nMsg, BSTR* pVal) = 0;
    virtual HRESULT get_QuitConfirmed(LONG* pVal) = 0;
    virtual HRESULT get_DeleteAhead(LONG* pVal) = 0;
    virtual HRESULT put_DeleteAhead(LONG newVal) = 0;

protected:
    ~IPOPRAW() = default;
};
