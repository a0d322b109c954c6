#include "store/deferred_sync.h"

#include "store/message_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <mutex>
#include <set>
#include <vector>

namespace velmo::store {
namespace {

std::mutex& guard() {
    static std::mutex m;
    return m;
}

std::vector<std::string>& owed() {
    static std::vector<std::string> files;
    return files;
}

bool sync_path(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

}  // namespace

void defer_sync(const std::string& path) {
    std::lock_guard lock(guard());
    owed().push_back(path);
}

void forget_deferred(const std::string& path) {
    std::lock_guard lock(guard());
    std::erase(owed(), path);
}

bool has_deferred() {
    std::lock_guard lock(guard());
    return !owed().empty();
}

bool sync_deferred() {
    std::vector<std::string> files;
    {
        std::lock_guard lock(guard());
        files.swap(owed());
    }
    bool ok = true;
    std::set<std::string> folders;
    for (const std::string& file : files) {
        ok = sync_path(file, O_RDONLY) && ok;
        folders.insert(folder_of(file));
    }
    for (const std::string& folder : folders) ok = sync_path(folder, O_RDONLY | O_DIRECTORY) && ok;
    return ok;
}

}  // namespace velmo::store
