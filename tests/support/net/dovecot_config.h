// The configuration file of the private test Dovecot: its own folders and instance name (so
// it never meets a system Dovecot), POP3 only, passwd-file users with {PLAIN} passwords (so
// APOP works), maildir mail owned by one system user, listeners on loopback only.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace halvex::testnet {

struct DovecotConfig {
    std::filesystem::path root;       // base_dir, state_dir, log and users file live here
    std::filesystem::path users_file;
    std::string instance_name;
    std::string mail_user;            // owner of all mail (mail_uid / mail_gid)
    uid_t mail_uid = 0;
    std::vector<std::string> addresses = {"127.0.0.1"};
    std::uint16_t plain_port = 0;
    std::uint16_t tls_port = 0;       // 0: no TLS listener
    bool plain_stls = true;           // with a TLS listener: STLS on the plain port too
    std::filesystem::path tls_cert;
    std::filesystem::path tls_key;
    // With an introspection URL, XOAUTH2 and OAUTHBEARER sign-ins are checked there (the
    // oauth2 passdb, settings in oauth2_conf); other logins keep the users file.
    std::string oauth2_introspection_url;
    std::filesystem::path oauth2_conf;
};

// The text of the oauth2 passdb's settings file for `config`.
std::string render_oauth2_config(const DovecotConfig& config);

// The text of dovecot.conf for `config`.
std::string render_dovecot_config(const DovecotConfig& config);

}  // namespace halvex::testnet
