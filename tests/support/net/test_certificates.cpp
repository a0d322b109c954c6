#include "net/test_certificates.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "net/run_program.h"

namespace halvex::testnet {
namespace fs = std::filesystem;

namespace {

const char* stem(TlsIdentity id) {
    switch (id) {
    case TlsIdentity::localhost: return "localhost";
    case TlsIdentity::other_host: return "other-host";
    case TlsIdentity::self_signed: return "self-signed";
    }
    return "localhost";
}

class Openssl {
public:
    explicit Openssl(fs::path folder) : folder_(std::move(folder)), log_((folder_ / "openssl.log").string()) {}

    void operator()(std::vector<std::string> args) const {
        args.insert(args.begin(), "openssl");
        int rc = run_program(args, log_);
        if (rc != 0) {
            std::ifstream in(log_);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            throw std::runtime_error("openssl " + args[1] + " failed (status " + std::to_string(rc) +
                                     ", is the openssl package installed?): " + text);
        }
    }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

private:
    fs::path folder_;
    std::string log_;
};

const std::vector<std::string> kEcKey = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};

std::vector<std::string> join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A server certificate for `names` (subjectAltName text), signed by the authority.
void make_signed(const Openssl& openssl, const std::string& name, const std::string& cn, const std::string& alt) {
    std::string ext = openssl.path(name + ".ext");
    std::ofstream(ext) << "subjectAltName=" << alt << "\n"
                       << "basicConstraints=critical,CA:FALSE\n"
                       << "keyUsage=critical,digitalSignature,keyEncipherment\n"
                       << "extendedKeyUsage=serverAuth\n";
    openssl(join({"req", "-new"}, join(kEcKey, {"-keyout", openssl.path(name + ".key"), "-out",
                                                openssl.path(name + ".csr"), "-subj", "/CN=" + cn})));
    openssl({"x509", "-req", "-in", openssl.path(name + ".csr"), "-CA", openssl.path("ca.pem"), "-CAkey",
             openssl.path("ca.key"), "-CAcreateserial", "-days", "3650", "-sha256", "-extfile", ext, "-out",
             openssl.path(name + ".pem")});
}

}  // namespace

TestCertificates::TestCertificates(fs::path folder) : folder_(std::move(folder)) {
    fs::create_directories(folder_);
    Openssl openssl(folder_);
    ca_cert_ = folder_ / "ca.pem";
    openssl(join({"req", "-x509"}, join(kEcKey, {"-keyout", openssl.path("ca.key"), "-out", ca_cert_.string(),
                                                 "-days", "3650", "-sha256", "-subj", "/CN=Halvex Test Authority",
                                                 "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                                                 "keyUsage=critical,keyCertSign,cRLSign"})));
    make_signed(openssl, stem(TlsIdentity::localhost), "localhost", "DNS:localhost,IP:127.0.0.1,IP:::1");
    make_signed(openssl, stem(TlsIdentity::other_host), "other.invalid", "DNS:other.invalid");
    openssl(join({"req", "-x509"}, join(kEcKey, {"-keyout", openssl.path("self-signed.key"), "-out",
                                                 openssl.path("self-signed.pem"), "-days", "3650", "-sha256",
                                                 "-subj", "/CN=localhost", "-addext",
                                                 "subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1"})));
}

TestCertificates::TestCertificates(Existing, fs::path folder) : folder_(std::move(folder)), ca_cert_(folder_ / "ca.pem") {}

bool TestCertificates::complete() const {
    std::error_code ec;
    for (TlsIdentity id : {TlsIdentity::localhost, TlsIdentity::other_host, TlsIdentity::self_signed})
        if (fs::file_size(cert_file(id), ec) == 0 || ec || fs::file_size(key_file(id), ec) == 0 || ec) return false;
    return fs::file_size(ca_cert_, ec) > 0 && !ec;
}

TestCertificates TestCertificates::cached() {
    const char* base = std::getenv("TMPDIR");
    fs::path folder = fs::path(base && *base ? base : "/tmp") / "halvex-test-certs-v1";
    TestCertificates existing(Existing{}, folder);
    if (existing.complete()) return existing;
    // Made aside and renamed into place, so a process running at the same time sees either
    // nothing or the whole set.
    fs::path fresh = folder.string() + ".new-" + std::to_string(::getpid());
    std::error_code ec;
    fs::remove_all(fresh, ec);
    TestCertificates made(fresh);
    ::chmod(fresh.c_str(), 0700);
    // A complete set in place is never removed (other processes may be using it); only a
    // broken one left by an interrupted run.
    if (fs::exists(folder, ec) && !existing.complete()) fs::remove_all(folder, ec);
    fs::rename(fresh, folder, ec);
    fs::remove_all(fresh, ec);  // another process was first: use its set
    if (!existing.complete()) throw std::runtime_error("cannot keep the test certificates in " + folder.string());
    return existing;
}

fs::path TestCertificates::cert_file(TlsIdentity id) const { return folder_ / (std::string(stem(id)) + ".pem"); }
fs::path TestCertificates::key_file(TlsIdentity id) const { return folder_ / (std::string(stem(id)) + ".key"); }

}  // namespace halvex::testnet
