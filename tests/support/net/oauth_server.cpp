#include "net/oauth_server.h"

#include <openssl/sha.h>
#include <poll.h>
#include <sys/socket.h>

#include <cctype>
#include <cstring>
#include <stdexcept>

#include "net/loopback.h"

namespace halvex::testnet {

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percent_decode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 && hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string base64url_sha256(const std::string& text) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest);
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    for (unsigned char byte : digest) {
        bits = (bits << 8) | byte;
        count += 8;
        while (count >= 6) {
            out += alphabet[(bits >> (count - 6)) & 63];
            count -= 6;
        }
    }
    if (count > 0) out += alphabet[(bits << (6 - count)) & 63];
    return out;
}

std::string json_error(const char* error) { return std::string("{\"error\":\"") + error + "\"}"; }

const char* reason(int status) {
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    default: return "Error";
    }
}

}  // namespace

std::map<std::string, std::string> parse_form(const std::string& text) {
    std::map<std::string, std::string> fields;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('&', pos);
        if (end == std::string::npos) end = text.size();
        const std::string pair = text.substr(pos, end - pos);
        const std::size_t eq = pair.find('=');
        if (!pair.empty())
            fields[percent_decode(pair.substr(0, eq))] = eq == std::string::npos ? "" : percent_decode(pair.substr(eq + 1));
        pos = end + 1;
    }
    return fields;
}

OAuthTestServer::OAuthTestServer(std::string client_id, std::string username)
    : client_id_(std::move(client_id)), username_(std::move(username)) {
    listener_ = bind_loopback(Family::v4);
    if (::listen(listener_.get(), 16) != 0) throw std::runtime_error("oauth test server: listen failed");
    port_ = bound_port(listener_.get());
    thread_ = std::thread([this] { serve(); });
}

OAuthTestServer::~OAuthTestServer() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
}

void OAuthTestServer::revoke_all() {
    std::lock_guard lock(mutex_);
    for (auto& [token, usable] : refresh_tokens_) usable = false;
    for (auto& [token, active] : access_tokens_) active = false;
}

void OAuthTestServer::expire_access_tokens() {
    std::lock_guard lock(mutex_);
    for (auto& [token, active] : access_tokens_) active = false;
}

std::string OAuthTestServer::issue_access_token() {
    std::lock_guard lock(mutex_);
    std::string token = new_token("at");
    access_tokens_[token] = true;
    return token;
}

std::string OAuthTestServer::last_refresh_token() const {
    std::lock_guard lock(mutex_);
    return last_refresh_;
}

std::string OAuthTestServer::new_token(const char* prefix) {
    return std::string(prefix) + "-" + std::to_string(port_) + "-" + std::to_string(++serial_);
}

void OAuthTestServer::serve() {
    while (!stop_.load()) {
        pollfd p{listener_.get(), POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        UniqueFd client(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (client.get() >= 0) handle(client.get());
    }
}

void OAuthTestServer::handle(int fd) {
    std::string request;
    std::size_t body_at = std::string::npos, length = 0;
    char buffer[4096];
    for (int rounds = 0; rounds < 50 && !stop_.load(); ++rounds) {
        if (body_at != std::string::npos && request.size() >= body_at + length) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
        if (request.size() > 65536) return;
        if (body_at == std::string::npos) {
            const std::size_t end = request.find("\r\n\r\n");
            if (end == std::string::npos) continue;
            body_at = end + 4;
            std::string head = request.substr(0, end);
            for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            const std::size_t cl = head.find("content-length:");
            if (cl != std::string::npos) length = std::strtoul(head.c_str() + cl + 15, nullptr, 10);
        }
    }
    if (body_at == std::string::npos) return;
    const std::size_t sp1 = request.find(' ');
    const std::size_t sp2 = request.find(' ', sp1 + 1);
    if (sp1 == std::string::npos || sp2 == std::string::npos) return;
    const Answer answer = route(request.substr(0, sp1), request.substr(sp1 + 1, sp2 - sp1 - 1),
                                request.substr(body_at, length));
    std::string out = "HTTP/1.1 " + std::to_string(answer.status) + " " + reason(answer.status) + "\r\n";
    if (!answer.location.empty()) out += "Location: " + answer.location + "\r\n";
    out += "Content-Type: " + answer.type + "\r\nContent-Length: " + std::to_string(answer.body.size()) +
           "\r\nConnection: close\r\n\r\n" + answer.body;
    std::size_t sent = 0;
    while (sent < out.size()) {
        const ssize_t n = ::send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
}

OAuthTestServer::Answer OAuthTestServer::route(const std::string& method, const std::string& target,
                                               const std::string& body) {
    const std::size_t q = target.find('?');
    const std::string path = target.substr(0, q);
    if (method == "GET" && path == "/authorize")
        return authorize(parse_form(q == std::string::npos ? "" : target.substr(q + 1)));
    if (method == "POST" && path == "/token") return token(parse_form(body));
    if (path == "/introspect")
        return introspect(parse_form(method == "POST" ? body : (q == std::string::npos ? "" : target.substr(q + 1))));
    return {404, "text/plain", "not found", {}};
}

OAuthTestServer::Answer OAuthTestServer::authorize(const std::map<std::string, std::string>& query) {
    auto get = [&](const char* key) {
        auto it = query.find(key);
        return it == query.end() ? std::string() : it->second;
    };
    const std::string redirect = get("redirect_uri");
    if (get("client_id") != client_id_ || get("response_type") != "code" ||
        get("code_challenge_method") != "S256" || get("code_challenge").size() != 43 ||
        redirect.rfind("http://127.0.0.1:", 0) != 0 || get("state").empty())
        return {400, "text/plain", "bad authorization request", {}};
    std::lock_guard lock(mutex_);
    const std::string code = new_token("code");
    codes_[code] = get("code_challenge") + " " + redirect;
    return {302, "text/plain", "", redirect + "?code=" + code + "&state=" + get("state")};
}

OAuthTestServer::Answer OAuthTestServer::token(const std::map<std::string, std::string>& form) {
    auto get = [&](const char* key) {
        auto it = form.find(key);
        return it == form.end() ? std::string() : it->second;
    };
    if (get("client_id") != client_id_) return {400, "application/json", json_error("invalid_client"), {}};
    std::lock_guard lock(mutex_);
    std::string refresh;
    if (get("grant_type") == "authorization_code") {
        auto it = codes_.find(get("code"));
        if (it == codes_.end() || it->second != base64url_sha256(get("code_verifier")) + " " + get("redirect_uri"))
            return {400, "application/json", json_error("invalid_grant"), {}};
        codes_.erase(it);  // a code is good once
        ++exchanges_;
        refresh = new_token("rt");
        refresh_tokens_[refresh] = true;
    } else if (get("grant_type") == "refresh_token") {
        auto it = refresh_tokens_.find(get("refresh_token"));
        if (it == refresh_tokens_.end() || !it->second) return {400, "application/json", json_error("invalid_grant"), {}};
        ++refreshes_;
        if (rotate_.load()) {
            it->second = false;
            refresh = new_token("rt");
            refresh_tokens_[refresh] = true;
        }
    } else {
        return {400, "application/json", json_error("unsupported_grant_type"), {}};
    }
    const std::string access = new_token("at");
    access_tokens_[access] = true;
    if (!refresh.empty()) last_refresh_ = refresh;
    std::string body = "{\"access_token\":\"" + access + "\",\"token_type\":\"Bearer\",\"expires_in\":" +
                       std::to_string(expires_in_.load());
    if (!refresh.empty()) body += ",\"refresh_token\":\"" + refresh + "\"";
    return {200, "application/json", body + "}", {}};
}

OAuthTestServer::Answer OAuthTestServer::introspect(const std::map<std::string, std::string>& form) {
    ++introspections_;
    auto it = form.find("token");
    std::lock_guard lock(mutex_);
    const bool active = it != form.end() && access_tokens_.count(it->second) && access_tokens_[it->second];
    if (!active) return {200, "application/json", "{\"active\":false}", {}};
    return {200, "application/json", "{\"active\":true,\"username\":\"" + username_ + "\"}", {}};
}

}  // namespace halvex::testnet
