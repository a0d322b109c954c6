// A BIO over a connected, non-blocking socket that it does not own. Sends use MSG_NOSIGNAL,
// so a server that resets the connection fails the write instead of raising SIGPIPE in the
// host process (OpenSSL's own socket BIO writes with write()).
#pragma once

#include <openssl/bio.h>

namespace velmo {

// A new BIO for fd, or nullptr when OpenSSL cannot make one. Freeing it leaves fd open.
BIO* new_socket_bio(int fd);

}  // namespace velmo
