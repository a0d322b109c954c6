// The system user that owns the test mail: looked up, and created with useradd when missing.
#pragma once

#include <sys/types.h>

#include <string>

namespace halvex::testnet {

struct SystemUser {
    std::string name;
    uid_t uid = 0;
    gid_t gid = 0;
};

// The user `name`; created as a system user without home or login shell when missing.
// Throws std::runtime_error when it neither exists nor can be created (not root).
SystemUser ensure_system_user(const std::string& name);

}  // namespace halvex::testnet
