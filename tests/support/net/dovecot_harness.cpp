#include "net/dovecot_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "net/run_program.h"

namespace halvex::testnet {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A port free on 127.0.0.1 and, when asked, on ::1 too.
std::uint16_t free_port_for(bool ipv6) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::uint16_t port = free_port(Family::v4);
        if (!ipv6) return port;
        try {
            bind_loopback(Family::v6, port);
            return port;
        } catch (const std::runtime_error&) {
        }
    }
    throw DovecotError("no free loopback port for the test Dovecot");
}

bool greets(std::uint16_t port) {
    UniqueFd fd = connect_loopback(Family::v4, port, 200ms);
    if (!fd) return false;
    pollfd p{fd.get(), POLLIN, 0};
    if (::poll(&p, 1, 2000) <= 0) return false;
    char buf[512];
    ssize_t n = ::recv(fd.get(), buf, sizeof buf, 0);
    if (n < 3 || std::string_view(buf, 3) != "+OK") return false;
    ::send(fd.get(), "QUIT\r\n", 6, MSG_NOSIGNAL);
    return true;
}

std::atomic<int> instance_counter{0};

}  // namespace

DovecotHarness::DovecotHarness(DovecotOptions options) : options_(std::move(options)), folder_("halvex-dovecot-", options_.folder_base) {
    if (::geteuid() != 0) throw DovecotError("the test Dovecot must be started as root (it switches to the mail user)");
    const char* chosen = std::getenv("HALVEX_DOVECOT");
    dovecot_ = find_program(chosen && *chosen ? chosen : "dovecot");
    if (dovecot_.empty())
        throw DovecotError("dovecot not found: install the Debian packages dovecot-core and dovecot-pop3d");
    // The mail processes run as the mail owner and must reach the homes below this folder.
    ::chmod(folder().c_str(), 0755);
    try {
        owner_ = ensure_system_user(options_.mail_owner);
    } catch (const std::runtime_error& e) {
        throw DovecotError(e.what());
    }

    users_ = {{"marta", "marta-pass-7"}, {"apop", "apop-secret-3"}};
    users_.insert(users_.end(), options_.extra_users.begin(), options_.extra_users.end());
    for (const auto& u : users_) {
        fs::path home = folder() / "home" / u.name;
        fs::create_directories(home);
        if (::chown(home.c_str(), owner_.uid, owner_.gid) != 0 || ::chmod(home.c_str(), 0700) != 0)
            throw DovecotError("cannot give " + home.string() + " to " + owner_.name);
        maildirs_.push_back(std::make_unique<Maildir>(home / "Maildir", owner_.uid, owner_.gid));
    }
    ::chmod((folder() / "home").c_str(), 0755);

    config_.root = folder();
    config_.users_file = folder() / "users";
    config_.oauth2_introspection_url = options_.oauth2_introspection_url;
    config_.plain_stls = options_.plain_stls;
    config_.oauth2_conf = folder() / "oauth2.conf.ext";
    config_.instance_name = "halvex-test-" + std::to_string(::getpid()) + "-" + std::to_string(++instance_counter);
    config_.mail_user = owner_.name;
    config_.mail_uid = owner_.uid;
    if (options_.ipv6) config_.addresses.push_back("::1");
    if (options_.tls) {
        try {
            certificates_ = std::make_unique<TestCertificates>(TestCertificates::cached());
        } catch (const std::runtime_error& e) {
            throw DovecotError(e.what());
        }
        config_.tls_cert = certificates_->cert_file(options_.tls_identity);
        config_.tls_key = certificates_->key_file(options_.tls_identity);
    }
    fs::create_directories(folder() / "state");

    // Ports are picked free but may be taken before Dovecot binds them: pick again then.
    for (int attempt = 1;; ++attempt) {
        config_.plain_port = free_port_for(options_.ipv6);
        // Each pick's socket is closed again, so the second may get the first's port back.
        config_.tls_port = 0;
        while (options_.tls && (config_.tls_port == 0 || config_.tls_port == config_.plain_port))
            config_.tls_port = free_port_for(options_.ipv6);
        try {
            start();
            return;
        } catch (const DovecotError&) {
            if (attempt >= 4 || log().find("Address already in use") == std::string::npos) throw;
        }
    }
}

DovecotHarness::~DovecotHarness() { stop(); }

Maildir& DovecotHarness::maildir(const std::string& name) {
    if (name.empty()) return *maildirs_[0];
    for (std::size_t i = 0; i < users_.size(); ++i)
        if (users_[i].name == name) return *maildirs_[i];
    throw std::invalid_argument("no test mail user " + name);
}

void DovecotHarness::clear_all_mail() {
    for (auto& m : maildirs_) m->clear();
}

std::string DovecotHarness::log() const { return read_file(folder() / "dovecot.log") + read_file(folder() / "dovecot.out"); }

void DovecotHarness::write_files() {
    std::ofstream users(config_.users_file, std::ios::trunc);
    for (std::size_t i = 0; i < users_.size(); ++i)
        users << users_[i].name << ":{PLAIN}" << users_[i].password << "::::" << maildirs_[i]->root().parent_path().string()
              << "::\n";
    users.close();
    ::chmod(config_.users_file.c_str(), 0644);
    std::ofstream(folder() / "dovecot.conf", std::ios::trunc) << render_dovecot_config(config_);
    if (!config_.oauth2_introspection_url.empty())
        std::ofstream(config_.oauth2_conf, std::ios::trunc) << render_oauth2_config(config_);
}

void DovecotHarness::start() {
    if (running()) return;
    write_files();
    // Right after a stop the kernel may still hold a listening port for a moment; Dovecot then
    // exits with "Address already in use", and a short wait and a new start get through.
    for (int attempt = 0;; ++attempt) {
        launch();
        if (wait_until_ready(attempt < 8)) return;
        std::this_thread::sleep_for(250ms);
    }
}

void DovecotHarness::launch() {
    std::string conf = (folder() / "dovecot.conf").string();
    std::string out = (folder() / "dovecot.out").string();
    std::vector<char*> argv = {dovecot_.data(), const_cast<char*>("-F"), const_cast<char*>("-c"), conf.data(), nullptr};
    int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    int null_fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid == 0) {
        // Dovecot goes down with the test process, even when that one crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
        ::dup2(null_fd, 0);
        ::dup2(out_fd, 1);
        ::dup2(out_fd, 2);
        ::close_range(3, ~0U, 0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out_fd);
    ::close(null_fd);
    if (pid < 0) fail("cannot fork to start dovecot");
    pid_ = pid;
}

bool DovecotHarness::wait_until_ready(bool may_retry) {
    auto deadline = Clock::now() + 15s;
    while (Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            if (may_retry && log().find("Address already in use") != std::string::npos) return false;
            fail("dovecot exited during its start (status " + std::to_string(status) + ")");
        }
        if (greets(config_.plain_port) &&
            (config_.tls_port == 0 || connect_loopback(Family::v4, config_.tls_port, 200ms)))
            return true;
        std::this_thread::sleep_for(20ms);
    }
    fail("dovecot did not greet on port " + std::to_string(config_.plain_port) + " within 15 s");
}

void DovecotHarness::stop() {
    if (pid_ <= 0) return;
    // Dovecot's own shutdown on SIGTERM takes about a second. Its helper processes end by
    // themselves as soon as the master is gone, so the master is killed outright; the
    // listening ports are free once those helpers are gone too.
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    auto deadline = Clock::now() + 5s;
    while (Clock::now() < deadline && (connect_loopback(Family::v4, config_.plain_port, 100ms) ||
                                       (config_.tls_port && connect_loopback(Family::v4, config_.tls_port, 100ms))))
        std::this_thread::sleep_for(10ms);
}

void DovecotHarness::fail(const std::string& what) {
    stop();
    std::string text = log();
    if (text.size() > 4000) text = "..." + text.substr(text.size() - 4000);
    throw DovecotError(what + " (config " + (folder() / "dovecot.conf").string() + ")\n--- dovecot log ---\n" + text);
}

}  // namespace halvex::testnet
