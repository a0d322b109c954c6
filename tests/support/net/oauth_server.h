// OAuthTestServer: the tests' own OAuth2 authorization server and token-introspection
// service, on 127.0.0.1, served on its own thread (so a synchronous client and Dovecot can
// call it while a test waits):
//   GET  /authorize   checks client id, loopback redirect URI and an S256 challenge, then
//                     sends the browser back (302) to the redirect URI with a code and the state;
//   POST /token       authorization_code (the PKCE verifier must match the challenge) and
//                     refresh_token grants; a revoked or unknown grant gets 400 invalid_grant;
//   POST /introspect  Dovecot's check of an access token: {"active":true,"username":...}.
// One mail user owns every token. Plain HTTP/1.1, one request per connection.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "net/unique_fd.h"

namespace halvex::testnet {

class OAuthTestServer {
public:
    OAuthTestServer(std::string client_id, std::string username);
    ~OAuthTestServer();
    OAuthTestServer(const OAuthTestServer&) = delete;
    OAuthTestServer& operator=(const OAuthTestServer&) = delete;

    std::uint16_t port() const { return port_; }
    std::string base_url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string authorize_url() const { return base_url() + "/authorize"; }
    std::string token_url() const { return base_url() + "/token"; }
    std::string introspect_url() const { return base_url() + "/introspect"; }

    // Seconds an access token is said to last (expires_in); default 3600.
    void set_expires_in(int seconds) { expires_in_.store(seconds); }
    // A refresh grant also hands out a new refresh token (the old one stops working).
    void set_rotate_refresh(bool rotate) { rotate_.store(rotate); }
    // Every refresh token stops working and every access token becomes inactive.
    void revoke_all();
    // Every access token issued so far becomes inactive; refresh tokens keep working.
    void expire_access_tokens();
    // A fresh access token, as a completed sign-in would give.
    std::string issue_access_token();

    int refresh_count() const { return refreshes_.load(); }
    int exchange_count() const { return exchanges_.load(); }
    int introspect_count() const { return introspections_.load(); }
    std::string last_refresh_token() const;

private:
    struct Answer {
        int status = 200;
        std::string type = "application/json";
        std::string body;
        std::string location;
    };
    void serve();
    void handle(int fd);
    Answer route(const std::string& method, const std::string& target, const std::string& body);
    Answer authorize(const std::map<std::string, std::string>& query);
    Answer token(const std::map<std::string, std::string>& form);
    Answer introspect(const std::map<std::string, std::string>& form);
    std::string new_token(const char* prefix);

    std::string client_id_;
    std::string username_;
    UniqueFd listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> expires_in_{3600};
    std::atomic<bool> rotate_{false};
    std::atomic<int> refreshes_{0}, exchanges_{0}, introspections_{0};
    mutable std::mutex mutex_;
    std::map<std::string, std::string> codes_;  // code -> "challenge redirect_uri"
    std::map<std::string, bool> refresh_tokens_;  // token -> usable
    std::map<std::string, bool> access_tokens_;   // token -> active
    std::string last_refresh_;
    int serial_ = 0;
    std::thread thread_;
};

// Percent-decodes a URL query or form body into its fields ("+" is a blank).
std::map<std::string, std::string> parse_form(const std::string& text);

}  // namespace halvex::testnet
