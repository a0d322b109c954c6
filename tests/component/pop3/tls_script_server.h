// TlsScriptServer: a one-connection TLS server on 127.0.0.1 for the cases a real server does
// not produce on demand: a reply sent as one large record, a record cut off halfway, a server
// that accepts but never shakes hands. The script runs on the server's own thread.
#pragma once

#include <openssl/ssl.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "net/unique_fd.h"

namespace tlstest {

// The accepted connection, as the script sees it.
class TlsPeer {
public:
    TlsPeer(int fd, SSL* ssl) : fd_(fd), ssl_(ssl) {}
    // The next line the client sent, without CR LF; "" once the client has gone.
    std::string read_line();
    // One SSL_write: a reply below 16 KiB travels as a single record.
    void send(std::string_view text);
    // Encrypts each text as a record of its own and puts the records on the wire with one
    // send call, so they arrive together; with `bytes` only that many of their bytes.
    void send_records(const std::vector<std::string>& texts, std::size_t bytes = std::string::npos);
    // Waits until the client closes the connection (or 10 s pass).
    void wait_for_close();

private:
    int fd_;
    SSL* ssl_;
    std::string pending_;
};

class TlsScriptServer {
public:
    using Script = std::function<void(TlsPeer&)>;
    // Serves one connection with cert/key; without a handshake the script gets a peer whose
    // only use is wait_for_close().
    TlsScriptServer(const std::filesystem::path& cert, const std::filesystem::path& key, Script script,
                    bool handshake = true);
    ~TlsScriptServer();
    TlsScriptServer(const TlsScriptServer&) = delete;
    TlsScriptServer& operator=(const TlsScriptServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "pop3s://127.0.0.1:port"
    std::string server_text() const { return "pop3s://127.0.0.1:" + std::to_string(port_); }
    // Waits until the script has ended.
    void join();

private:
    void serve(Script script, bool handshake);

    halvex::testnet::UniqueFd listener_;
    std::uint16_t port_ = 0;
    SSL_CTX* ctx_ = nullptr;
    std::thread thread_;
};

// A POP3 dialogue up to the login: greeting, then +OK to USER and PASS.
void greet_and_login(TlsPeer& peer);

}  // namespace tlstest
