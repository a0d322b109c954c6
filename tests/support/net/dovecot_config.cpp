#include "net/dovecot_config.h"

#include <sstream>

namespace halvex::testnet {

std::string render_dovecot_config(const DovecotConfig& c) {
    std::string addresses;
    for (const auto& a : c.addresses) addresses += (addresses.empty() ? "" : ", ") + a;
    std::ostringstream o;
    o << "# Private Dovecot for the Halvex tests; written by the test harness.\n"
      << "base_dir = " << (c.root / "run").string() << "\n"
      << "state_dir = " << (c.root / "state").string() << "\n"
      << "instance_name = " << c.instance_name << "\n"
      << "protocols = pop3\n"
      << "listen = " << addresses << "\n"
      << "log_path = " << (c.root / "dovecot.log").string() << "\n"
      << "disable_plaintext_auth = no\n"
      << "auth_mechanisms = plain apop" << (c.oauth2_introspection_url.empty() ? "" : " xoauth2 oauthbearer") << "\n"
      << "auth_failure_delay = 0\n"
      << "mail_location = maildir:~/Maildir\n"
      << "mail_uid = " << c.mail_user << "\n"
      << "mail_gid = " << c.mail_user << "\n"
      << "first_valid_uid = " << c.mail_uid << "\n"
      << "first_valid_gid = 1\n"
      << "pop3_uidl_format = %08Xu%08Xv\n"
      << (c.oauth2_introspection_url.empty()
              ? std::string()
              : "passdb {\n  driver = oauth2\n  mechanisms = xoauth2 oauthbearer\n  args = " + c.oauth2_conf.string() +
                    "\n}\n")
      << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " << c.users_file.string()
      << "\n}\n"
      << "userdb {\n  driver = passwd-file\n  args = username_format=%u " << c.users_file.string() << "\n}\n";
    if (c.tls_port != 0) {
        o << "ssl = yes\n"
          << "ssl_cert = <" << c.tls_cert.string() << "\n"
          << "ssl_key = <" << c.tls_key.string() << "\n"
          << "ssl_min_protocol = TLSv1.2\n";
    } else {
        o << "ssl = no\n";
    }
    // Without its socket the auth penalty (a growing delay after each failed login from one
    // address) is off, so failed-login tests stay fast and independent of each other.
    o << "service anvil {\n  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n}\n";
    // Dovecot offers STLS on every plain listener while TLS is configured; a plain port
    // without it gets a login service of its own with TLS switched off.
    const bool plain_apart = c.tls_port != 0 && !c.plain_stls;
    const std::string plain_listener =
        "  inet_listener pop3 {\n    address = " + addresses + "\n    port = " + std::to_string(c.plain_port) + "\n  }\n";
    o << "service pop3-login {\n" << (plain_apart ? "" : plain_listener);
    if (c.tls_port != 0)
        o << "  inet_listener pop3s {\n    address = " << addresses << "\n    port = " << c.tls_port
          << "\n    ssl = yes\n  }\n";
    o << "}\n";
    if (plain_apart)
        o << "service pop3-plain-login {\n  executable = pop3-login -o ssl=no\n  protocol = pop3\n  type = login\n"
          << "  user = $default_login_user\n  chroot = login\n" << plain_listener << "}\n";
    return o.str();
}

std::string render_oauth2_config(const DovecotConfig& c) {
    return "introspection_mode = post\n"
           "introspection_url = " + c.oauth2_introspection_url + "\n"
           "username_attribute = username\n"
           "active_attribute = active\n"
           "active_value = true\n";
}

}  // namespace halvex::testnet
