#include "apop_digest.h"

#include <openssl/evp.h>

namespace halvex::demo {

std::string apop_digest(std::string_view timestamp, std::string_view secret) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  std::string input(timestamp);
  input.append(secret);
  if (EVP_Digest(input.data(), input.size(), digest, &length, EVP_md5(), nullptr) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

}  // namespace halvex::demo
