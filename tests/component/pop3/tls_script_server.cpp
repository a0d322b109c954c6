#include "tls_script_server.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <openssl/err.h>

#include <algorithm>
#include <csignal>
#include <stdexcept>

#include "net/loopback.h"

namespace tlstest {

namespace tn = halvex::testnet;

std::string TlsPeer::read_line() {
    for (;;) {
        std::size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            return line;
        }
        char buffer[4096];
        int n = ssl_ ? SSL_read(ssl_, buffer, sizeof buffer) : -1;
        if (n <= 0) return {};
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

void TlsPeer::send(std::string_view text) {
    if (ssl_) SSL_write(ssl_, text.data(), static_cast<int>(text.size()));
}

void TlsPeer::send_records(const std::vector<std::string>& texts, std::size_t bytes) {
    if (!ssl_) return;
    // Encrypt into memory instead of the socket, then put the records on the wire at once.
    BIO* memory = BIO_new(BIO_s_mem());
    BIO* socket_bio = SSL_get_wbio(ssl_);
    BIO_up_ref(socket_bio);
    SSL_set0_wbio(ssl_, memory);
    for (const std::string& text : texts) SSL_write(ssl_, text.data(), static_cast<int>(text.size()));
    char* records = nullptr;
    long size = BIO_get_mem_data(memory, &records);
    if (size > 0) ::send(fd_, records, std::min<std::size_t>(bytes, static_cast<std::size_t>(size)), MSG_NOSIGNAL);
    SSL_set0_wbio(ssl_, socket_bio);
}

void TlsPeer::wait_for_close() {
    char buffer[4096];
    for (;;) {
        int n = ssl_ ? SSL_read(ssl_, buffer, sizeof buffer)
                     : static_cast<int>(::recv(fd_, buffer, sizeof buffer, 0));
        if (n <= 0) return;
    }
}

TlsScriptServer::TlsScriptServer(const std::filesystem::path& cert, const std::filesystem::path& key,
                                 Script script, bool handshake)
    : listener_(tn::bind_loopback(tn::Family::v4)) {
    std::signal(SIGPIPE, SIG_IGN);
    port_ = tn::bound_port(listener_.get());
    if (::listen(listener_.get(), 1) != 0) throw std::runtime_error("listen failed");
    ctx_ = SSL_CTX_new(TLS_server_method());
    if (!ctx_ || SSL_CTX_use_certificate_chain_file(ctx_, cert.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx_, key.c_str(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("cannot load the test certificate " + cert.string());
    thread_ = std::thread([this, script = std::move(script), handshake]() mutable { serve(std::move(script), handshake); });
}

TlsScriptServer::~TlsScriptServer() {
    ::shutdown(listener_.get(), SHUT_RDWR);  // wakes a server still waiting for its client
    if (thread_.joinable()) thread_.join();
    SSL_CTX_free(ctx_);
}

void TlsScriptServer::join() {
    if (thread_.joinable()) thread_.join();
}

void TlsScriptServer::serve(Script script, bool handshake) {
    pollfd p{listener_.get(), POLLIN, 0};
    if (::poll(&p, 1, 20000) <= 0 || !(p.revents & POLLIN)) return;
    tn::UniqueFd fd(::accept(listener_.get(), nullptr, nullptr));
    if (!fd) return;
    timeval limit{10, 0};  // no script waits forever on a client that went quiet
    ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    SSL* ssl = nullptr;
    if (handshake) {
        ssl = SSL_new(ctx_);
        SSL_set_fd(ssl, fd.get());
        if (SSL_accept(ssl) != 1) {
            SSL_free(ssl);
            ERR_clear_error();
            return;
        }
    }
    TlsPeer peer(fd.get(), ssl);
    script(peer);
    if (ssl) {
        SSL_shutdown(ssl);
        SSL_free(ssl);
    }
    ERR_clear_error();
}

void greet_and_login(TlsPeer& peer) {
    peer.send("+OK ready\r\n");
    for (int i = 0; i < 2;) {
        std::string line = peer.read_line();
        if (line == "CAPA") {
            peer.send("-ERR\r\n");  // a server without capabilities
            continue;
        }
        if (line.rfind("USER ", 0) != 0 && line.rfind("PASS ", 0) != 0) return;
        peer.send("+OK\r\n");
        ++i;
    }
}

}  // namespace tlstest
