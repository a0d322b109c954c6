#include "tls_trust.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tlstest {

namespace {

std::optional<std::string> get(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void put(const char* name, const std::optional<std::string>& value) {
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

// Set once in the main thread, before any test starts a thread that might read it.
class TrustTestAuthority : public ::testing::Environment {
public:
    void SetUp() override {
        put("SSL_CERT_FILE", certificates().ca_file().string());
        put("SSL_CERT_DIR", std::nullopt);
    }
};

[[maybe_unused]] const auto* const registered = ::testing::AddGlobalTestEnvironment(new TrustTestAuthority);

}  // namespace

const halvex::testnet::TestCertificates& certificates() {
    static const halvex::testnet::TestCertificates set = halvex::testnet::TestCertificates::cached();
    return set;
}

TrustScope::TrustScope(std::optional<std::string> cert_file, std::optional<std::string> cert_dir)
    : old_file_(get("SSL_CERT_FILE")), old_dir_(get("SSL_CERT_DIR")) {
    put("SSL_CERT_FILE", cert_file);
    put("SSL_CERT_DIR", cert_dir);
}

TrustScope::~TrustScope() {
    put("SSL_CERT_FILE", old_file_);
    put("SSL_CERT_DIR", old_dir_);
}

}  // namespace tlstest
