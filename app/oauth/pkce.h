// PKCE (RFC 7636) for the authorization-code flow: a random code verifier and its S256
// challenge, both in base64url without padding. SHA-256 and the random bytes come from OpenSSL.
#pragma once

#include <QByteArray>

namespace halvex::oauth {

struct Pkce {
  QByteArray verifier;   // 43 characters of [A-Za-z0-9-_], from 32 random bytes
  QByteArray challenge;  // base64url(SHA-256(verifier))
};

// A fresh verifier and its challenge; empty when the random source fails.
Pkce make_pkce();

// base64url(SHA-256(verifier)), no padding.
QByteArray s256_challenge(const QByteArray& verifier);

// `bytes` random bytes as base64url text (for the state parameter); empty on failure.
QByteArray random_token(int bytes);

}  // namespace halvex::oauth
