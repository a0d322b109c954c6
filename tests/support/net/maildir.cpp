#include "net/maildir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace halvex::testnet {
namespace fs = std::filesystem;

namespace {

// "1700000000.M00000042P0.halvex": the sequence number sits between ".M" and "P".
std::size_t sequence_of(const std::string& name) {
    auto m = name.find(".M");
    if (m == std::string::npos) return 0;
    return static_cast<std::size_t>(std::strtoull(name.c_str() + m + 2, nullptr, 10));
}

// The file name without Dovecot's ":2,<flags>" suffix, which it adds when moving to cur/.
std::string base_name(const fs::path& p) {
    std::string n = p.filename().string();
    return n.substr(0, n.find(':'));
}

void own(const fs::path& p, uid_t uid, gid_t gid, mode_t mode) {
    if (::chown(p.c_str(), uid, gid) != 0 || ::chmod(p.c_str(), mode) != 0)
        throw std::runtime_error("cannot give " + p.string() + " to the mail user");
}

}  // namespace

Maildir::Maildir(fs::path root, uid_t uid, gid_t gid) : root_(std::move(root)), uid_(uid), gid_(gid) {
    for (const fs::path& d : {root_, root_ / "new", root_ / "cur", root_ / "tmp"}) {
        fs::create_directories(d);
        own(d, uid_, gid_, 0700);
    }
    for (const auto& f : files_in_order()) next_ = std::max(next_, sequence_of(base_name(f)) + 1);
}

std::string Maildir::add(std::string_view message) {
    char name[64];
    std::snprintf(name, sizeof name, "1700000000.M%08zuP0.halvex", next_++);
    fs::path tmp = root_ / "tmp" / name;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(message.data(), static_cast<std::streamsize>(message.size()));
        if (!out.flush()) throw std::runtime_error("cannot write " + tmp.string());
    }
    own(tmp, uid_, gid_, 0600);
    fs::rename(tmp, root_ / "new" / name);  // a session never sees half a message
    return name;
}

void Maildir::add_all(const std::vector<std::string>& messages) {
    for (const auto& m : messages) add(m);
}

std::vector<fs::path> Maildir::files_in_order() const {
    std::vector<fs::path> files;
    for (const char* sub : {"new", "cur"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(root_ / sub, ec))
            if (e.is_regular_file()) files.push_back(e.path());
    }
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) { return base_name(a) < base_name(b); });
    return files;
}

std::size_t Maildir::count() const { return files_in_order().size(); }

std::vector<std::string> Maildir::messages() const {
    std::vector<std::string> out;
    for (const auto& f : files_in_order()) {
        std::ifstream in(f, std::ios::binary);
        out.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return out;
}

void Maildir::clear() {
    for (const char* sub : {"new", "cur", "tmp"}) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(root_ / sub, ec)) fs::remove_all(e.path(), ec);
    }
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(root_, ec)) {
        std::string n = e.path().filename().string();
        if (n.rfind("dovecot", 0) == 0) fs::remove_all(e.path(), ec);
    }
}

std::string sample_message(std::size_t number, std::size_t body_bytes) {
    std::string n = std::to_string(number);
    std::string m = "From: Sender " + n + " <sender" + n + "@example.com>\n"
                    "To: Test User <user@example.com>\n"
                    "Subject: Test message " + n + "\n"
                    "Date: Tue, 14 Nov 2023 22:13:20 +0000\n"
                    "Message-ID: <message" + n + "@example.com>\n"
                    "MIME-Version: 1.0\n"
                    "Content-Type: text/plain; charset=us-ascii\n"
                    "\n";
    static constexpr std::string_view kLine =
        "The quick brown fox jumps over the lazy dog while the filter reads on.\n";
    while (body_bytes > 0) {
        std::size_t take = std::min(body_bytes, kLine.size());
        m.append(kLine.substr(kLine.size() - take));
        body_bytes -= take;
    }
    return m;
}

}  // namespace halvex::testnet
