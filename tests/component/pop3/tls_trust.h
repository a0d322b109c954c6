// Trust for the TLS tests: before any test runs, SSL_CERT_FILE names the authority that the
// test set-up made, so the client trusts the test Dovecot's "localhost" certificate and
// nothing else of the test set. TrustScope swaps SSL_CERT_FILE and SSL_CERT_DIR for one test.
#pragma once

#include <optional>
#include <string>

#include "net/test_certificates.h"

namespace tlstest {

// The certificate set the test Dovecot uses.
const halvex::testnet::TestCertificates& certificates();

class TrustScope {
public:
    // nullopt unsets the variable.
    TrustScope(std::optional<std::string> cert_file, std::optional<std::string> cert_dir);
    ~TrustScope();
    TrustScope(const TrustScope&) = delete;
    TrustScope& operator=(const TrustScope&) = delete;

private:
    std::optional<std::string> old_file_, old_dir_;
};

}  // namespace tlstest
