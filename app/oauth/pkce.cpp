#include "pkce.h"

#include <openssl/rand.h>
#include <openssl/sha.h>

namespace halvex::oauth {

namespace {

QByteArray base64url(const QByteArray& bytes) {
  return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

}  // namespace

QByteArray random_token(int bytes) {
  QByteArray raw(bytes, '\0');
  if (bytes <= 0 || RAND_bytes(reinterpret_cast<unsigned char*>(raw.data()), bytes) != 1) return {};
  return base64url(raw);
}

QByteArray s256_challenge(const QByteArray& verifier) {
  unsigned char digest[SHA256_DIGEST_LENGTH];
  SHA256(reinterpret_cast<const unsigned char*>(verifier.constData()),
         static_cast<size_t>(verifier.size()), digest);
  return base64url(QByteArray(reinterpret_cast<const char*>(digest), sizeof digest));
}

Pkce make_pkce() {
  Pkce pkce;
  pkce.verifier = random_token(32);
  if (!pkce.verifier.isEmpty()) pkce.challenge = s256_challenge(pkce.verifier);
  return pkce;
}

}  // namespace halvex::oauth
