#include "net/system_user.h"

#include <pwd.h>

#include <stdexcept>
#include <vector>

#include "net/run_program.h"

namespace halvex::testnet {
namespace {

bool lookup(const std::string& name, SystemUser& out) {
    passwd pw{};
    passwd* found = nullptr;
    std::vector<char> buf(16384);
    if (::getpwnam_r(name.c_str(), &pw, buf.data(), buf.size(), &found) != 0 || !found) return false;
    out = SystemUser{name, found->pw_uid, found->pw_gid};
    return true;
}

}  // namespace

SystemUser ensure_system_user(const std::string& name) {
    SystemUser user;
    if (lookup(name, user)) return user;
    // Another test process may create the same user at the same moment: look again after.
    int rc = run_program({"useradd", "--system", "--user-group", "--no-create-home", "--home-dir", "/nonexistent",
                          "--shell", "/usr/sbin/nologin", name});
    if (lookup(name, user)) return user;
    throw std::runtime_error("system user " + name + " is missing and useradd failed (status " + std::to_string(rc) +
                             "); the tests must run as root");
}

}  // namespace halvex::testnet
