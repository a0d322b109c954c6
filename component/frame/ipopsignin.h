// IPOPSIGNIN: the POP3 client's second interface, beside IPOPMAIN (which stays as it is),
// reached with QueryInterface on a POPMAIN object. It hands the session an OAuth2 access
// token for the next Connect and tells how the last login went: which kind of connection
// and which sign-in it used. Not dual: no dispatch identifiers of its own.
#pragma once

#include "frame/guid.h"
#include "frame/unknown.h"

inline constexpr IID IID_IPOPSIGNIN = {
    0x5E0C2B7A, 0x1D4F, 0x4B8E, {0x9A, 0x61, 0x3C, 0x7D, 0x52, 0xE8, 0x0F, 0x94}};

struct IPOPSIGNIN : IUnknown {
    static constexpr IID iid = IID_IPOPSIGNIN;
    // The access token for the next Connect or SecureConnect: with one, the login is
    // "AUTH OAUTHBEARER" (where the server lists it) or "AUTH XOAUTH2" for the User given
    // there, and the password is not sent. An empty token returns to password logins.
    virtual HRESULT put_AccessToken(BSTR token) = 0;
    // How the connection of the last successful login is protected: "TLS" (pop3s://),
    // "STARTTLS" (upgraded with STLS) or "plain"; "" before any.
    virtual HRESULT get_ConnectionKind(BSTR* pVal) = 0;
    // The sign-in of the last successful login: "USER", "APOP", "AUTH PLAIN", "AUTH XOAUTH2"
    // or "AUTH OAUTHBEARER"; "" before any.
    virtual HRESULT get_SignInKind(BSTR* pVal) = 0;

protected:
    ~IPOPSIGNIN() = default;
};
