#include "pop3/socket_bio.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstdint>

namespace velmo {

namespace {

int fd_of(BIO* bio) { return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio))); }

bool would_block(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

int bio_write(BIO* bio, const char* data, size_t size, size_t* written) {
    BIO_clear_retry_flags(bio);
    ssize_t n;
    do {
        n = ::send(fd_of(bio), data, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        if (would_block(errno)) BIO_set_retry_write(bio);
        return 0;
    }
    *written = static_cast<size_t>(n);
    return 1;
}

int bio_read(BIO* bio, char* data, size_t size, size_t* read) {
    BIO_clear_retry_flags(bio);
    ssize_t n;
    do {
        n = ::recv(fd_of(bio), data, size, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        if (would_block(errno)) BIO_set_retry_read(bio);
        return 0;
    }
    if (n == 0) {
        BIO_set_flags(bio, BIO_FLAGS_IN_EOF);
        return 0;
    }
    *read = static_cast<size_t>(n);
    return 1;
}

long bio_ctrl(BIO* bio, int command, long, void*) {
    switch (command) {
    case BIO_CTRL_FLUSH: return 1;  // nothing is held back
    case BIO_CTRL_EOF: return BIO_test_flags(bio, BIO_FLAGS_IN_EOF) != 0;
    default: return 0;
    }
}

int bio_create(BIO* bio) {
    BIO_set_data(bio, reinterpret_cast<void*>(std::intptr_t{-1}));
    BIO_set_init(bio, 0);
    return 1;
}

int bio_destroy(BIO*) { return 1; }  // the socket belongs to the caller

const BIO_METHOD* socket_method() {
    // Made once per process (thread-safe static) and kept for its whole life.
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "velmo socket");
        if (m && (!BIO_meth_set_write_ex(m, bio_write) || !BIO_meth_set_read_ex(m, bio_read) ||
                  !BIO_meth_set_ctrl(m, bio_ctrl) || !BIO_meth_set_create(m, bio_create) ||
                  !BIO_meth_set_destroy(m, bio_destroy))) {
            BIO_meth_free(m);
            m = nullptr;
        }
        return m;
    }();
    return method;
}

}  // namespace

BIO* new_socket_bio(int fd) {
    const BIO_METHOD* method = socket_method();
    if (!method || fd < 0) return nullptr;
    BIO* bio = BIO_new(method);
    if (!bio) return nullptr;
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)));
    BIO_set_init(bio, 1);
    return bio;
}

}  // namespace velmo
