// TestCertificates: a private certificate authority and server certificates made with the
// openssl tool, for TLS tests. Clients trust the authority through SSL_CERT_FILE = ca_file().
//
//   localhost   signed by the authority for "localhost", 127.0.0.1 and ::1: verifies.
//   other_host  signed by the authority for "other.invalid" only: fails the host-name check.
//   self_signed a self-signed certificate for "localhost": fails, nobody trusts it.
#pragma once

#include <filesystem>

namespace halvex::testnet {

enum class TlsIdentity { localhost, other_host, self_signed };

class TestCertificates {
public:
    // Makes everything in `folder` (created when missing). Throws std::runtime_error when
    // openssl is missing or fails.
    explicit TestCertificates(std::filesystem::path folder);
    // The same set kept in $TMPDIR/halvex-test-certs-v1 (made once, then reused by every test
    // process, since making it takes a good part of a second).
    static TestCertificates cached();

    const std::filesystem::path& ca_file() const { return ca_cert_; }
    std::filesystem::path cert_file(TlsIdentity id) const;
    std::filesystem::path key_file(TlsIdentity id) const;

private:
    struct Existing {};
    TestCertificates(Existing, std::filesystem::path folder);
    bool complete() const;

    std::filesystem::path folder_;
    std::filesystem::path ca_cert_;
};

}  // namespace halvex::testnet
