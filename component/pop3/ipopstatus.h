// IPOPSTATUS: why the last request of a POPMAIN object failed, how far a slow request has got,
// and the largest message it will take. A POPMAIN object hands it out
// through QueryInterface beside IPOPMAIN, which stays exactly as it is; the events, their
// numbers and texts are unchanged too. Called through its table of operations only (it is not
// dual: late-bound clients see IPOPMAIN alone).
//
// get_LastFailureKind: a FailureKind number (pop3/failure_cause.h); 0 while the last request
//   succeeded or none was made.
// get_LastFailure: the cause as one line of English for the user, e.g.
//   "the server answered: -ERR [AUTH] Authentication failed."
//   "connection refused by mail.example.org port 110"
//   "host not found: mail.example.org"
//   "no answer within 30 s"
//   "no complete reply within 150 s (data still arriving)"
//   "TLS certificate not trusted for host mail.example.org: self-signed certificate"
//   "reply too large: the header of message 3 passed 1048576 bytes"
//   "message 7 is not in the listing of 5 messages"
//   Empty while the kind is 0. Server text in it is cut to its first line, at most 200 bytes,
//   with control characters shown as '?'.
// get_BytesReceived: bytes received from servers by this object so far (all sessions, modulo
//   2^31, so compare two readings for inequality only). It moves while a reply arrives, so a
//   client waiting for an answer can tell a slow but live request from a dead one.
// get_MaxMessageSize / put_MaxMessageSize: the most a RETR reply may hold, in bytes (default
//   268435456, 256 MB; a put of 0 or less restores the default). A RETR reply is also capped at
//   twice the message's listed size plus 64 KB once the connection's listing has it, and a TOP
//   reply at 1 MB. Past its cap the request fails (kind ReplyTooLarge) and the session closes.
//
// When it is filled. Synchronous mode: by the failing call, before it returns; the next call
// that talks to the server clears it first. Asynchronous mode: by the worker before it raises
// OnError (so an OnError handler can read it); it stays through the OnClosed that follows, until
// the next Connect or SecureConnect starts a new worker or the next job begins. The QUIT that
// ends a session never overwrites it.
#pragma once

#include "frame/unknown.h"

// {0DDE9FE1-74CE-4FE9-9744-ED876C9322F2}
inline constexpr IID IID_IPOPSTATUS = {
    0x0DDE9FE1, 0x74CE, 0x4FE9, {0x97, 0x44, 0xED, 0x87, 0x6C, 0x93, 0x22, 0xF2}};

struct IPOPSTATUS : IUnknown {
    static constexpr IID iid = IID_IPOPSTATUS;
    virtual HRESULT get_LastFailureKind(LONG* pVal) = 0;
    virtual HRESULT get_LastFailure(BSTR* pVal) = 0;
    virtual HRESULT get_BytesReceived(LONG* pVal) = 0;
    virtual HRESULT get_MaxMessageSize(LONG* pVal) = 0;
    virtual HRESULT put_MaxMessageSize(LONG newVal) = 0;

protected:
    ~IPOPSTATUS() = default;
};
