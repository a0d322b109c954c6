// TlsStream: the client side of one TLS connection (TLS 1.2 or later) over a connected,
// non-blocking socket that it does not own. The server's certificate is verified against the
// system trust store (SSL_CERT_FILE and SSL_CERT_DIR override it) and must carry the name the
// client asked for; host names are sent as SNI, IP literals are matched against IP entries.
//
// Reads never block: a record that has arrived only in part, or that carries no application
// data, reads as nothing ready, so the caller's idle timeout still holds. Decrypted bytes kept
// inside the TLS layer count as ready data. One thread drives a stream at a time.
#pragma once

#include <openssl/ssl.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "pop3/failure_cause.h"

namespace velmo {

class TlsStream {
public:
    enum class Ready { Data, Nothing, End };  // End: closed or failed, receive() tells which

    // Runs the handshake over fd, giving up after timeout_ms or once stop answers true
    // (polled at least every 250 ms). nullptr when the handshake or the verification fails;
    // then *why, when given, says which (an untrusted certificate, silence, a closed stream).
    static std::unique_ptr<TlsStream> connect(int fd, const std::string& peer_name,
                                              std::uint32_t timeout_ms,
                                              const std::function<bool()>& stop,
                                              FailureCause* why = nullptr);
    ~TlsStream();  // frees without a word to the server; call close() for a close_notify
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    // Waits up to wait_ms (capped at 250) until application data can be read.
    Ready wait_readable(int wait_ms);
    // One read of at most size bytes: the byte count, 0 when the server has closed, -1 on an
    // error. Meant for after wait_readable() answered Data.
    long receive(char* buffer, std::size_t size);
    // Sends all of data as one write, waiting at most timeout_ms for the socket to take it.
    bool send(std::string_view data, std::uint32_t timeout_ms);
    // Sends close_notify if the connection is still sound (no waiting), then frees.
    void close();

private:
    TlsStream(int fd) : fd_(fd) {}
    void free_all();

    int fd_;
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
    bool established_ = false;
    bool broken_ = false;  // a fatal error or an abandoned write: no close_notify, no more I/O
    bool closed_ = false;  // the server ended the stream
};

}  // namespace velmo
