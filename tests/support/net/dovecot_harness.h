// DovecotHarness: a private Dovecot POP3 server for tests and benches, on loopback.
//
// The constructor writes a configuration into a fresh temporary folder, makes sure the mail
// owner (system user "halvex-test") exists, writes the users file, starts `dovecot -F -c conf`
// as a child process (it dies with the test process) and returns once the plain port greets.
// Anything that goes wrong (no dovecot binary, not root, a start that fails or never greets)
// throws DovecotError with Dovecot's log attached: a test reports it as a failure, never as a
// skip. The destructor stops Dovecot and removes the folder. Start it from a thread that
// lives as long as the harness (the main thread, usually): Dovecot is told to end when the
// thread that started it ends.
//
// Users: user() logs in with USER/PASS, apop_user() with APOP (both have {PLAIN} passwords,
// so either way works for both). Each has a Maildir that tests fill and inspect.
// With tls set, a second listener speaks TLS from the first byte with the certificate chosen
// by tls_identity; certificates() gives the authority file for SSL_CERT_FILE. With tls the
// plain port offers STLS too, unless plain_stls is off.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/dovecot_config.h"
#include "net/loopback.h"
#include "net/maildir.h"
#include "net/system_user.h"
#include "net/temp_dir.h"
#include "net/test_certificates.h"

namespace halvex::testnet {

class DovecotError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct MailUser {
    std::string name;
    std::string password;
};

struct DovecotOptions {
    bool tls = false;                             // add the TLS listener
    bool plain_stls = true;                       // with tls: the plain port offers STLS
    TlsIdentity tls_identity = TlsIdentity::localhost;
    bool ipv6 = false;                            // listen on ::1 as well, same ports
    std::vector<MailUser> extra_users{};          // beside user() and apop_user()
    std::string mail_owner = "halvex-test";
    // XOAUTH2 and OAUTHBEARER sign-ins, their tokens checked at this introspection URL
    // (an OAuthTestServer's); empty: none.
    std::string oauth2_introspection_url{};
    // The folder its configuration and mailboxes go in; empty: $TMPDIR or /tmp.
    std::string folder_base{};
};

class DovecotHarness {
public:
    explicit DovecotHarness(DovecotOptions options = {});
    ~DovecotHarness();
    DovecotHarness(const DovecotHarness&) = delete;
    DovecotHarness& operator=(const DovecotHarness&) = delete;

    std::uint16_t port() const { return config_.plain_port; }
    std::uint16_t tls_port() const { return config_.tls_port; }  // 0 without tls
    // "127.0.0.1:port", as a client's server text.
    std::string address(Family family = Family::v4) const { return host_port(family, port()); }

    const MailUser& user() const { return users_[0]; }
    const MailUser& apop_user() const { return users_[1]; }
    const std::vector<MailUser>& users() const { return users_; }
    // The mailbox of user `name` (user() when empty); throws for an unknown name.
    Maildir& maildir(const std::string& name = {});
    // Empties every user's mailbox.
    void clear_all_mail();

    const TestCertificates* certificates() const { return certificates_.get(); }
    const std::filesystem::path& folder() const { return folder_.path(); }
    // What Dovecot logged so far.
    std::string log() const;
    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0; }

    // Stops Dovecot and waits until its ports no longer answer. Idempotent.
    void stop();
    // Starts it again on the same ports with the same mail; throws DovecotError on failure.
    void start();

private:
    void write_files();
    void launch();
    // False when Dovecot gave up on a port still held and may_retry allows another start.
    bool wait_until_ready(bool may_retry);
    [[noreturn]] void fail(const std::string& what);

    DovecotOptions options_;
    TempDir folder_;
    SystemUser owner_;
    std::string dovecot_;
    std::vector<MailUser> users_;
    std::vector<std::unique_ptr<Maildir>> maildirs_;
    std::unique_ptr<TestCertificates> certificates_;
    DovecotConfig config_;
    pid_t pid_ = -1;
};

}  // namespace halvex::testnet
