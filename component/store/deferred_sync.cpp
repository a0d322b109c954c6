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

// Syncs the files a batch at a time: the writing of every file of a batch starts first, so the
// disk gets them together, and each fsync then mostly waits for what is already under way.
bool sync_files(const std::vector<std::string>& files) {
    constexpr std::size_t kBatch = 64;  // open descriptors at once
    bool ok = true;
    for (std::size_t from = 0; from < files.size(); from += kBatch) {
        std::vector<int> fds;
        for (std::size_t i = from; i < files.size() && i < from + kBatch; ++i) {
            const int fd = ::open(files[i].c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                ok = false;
                continue;
            }
            ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
            fds.push_back(fd);
        }
        for (int fd : fds) {
            ok = ::fsync(fd) == 0 && ok;
            ok = ::close(fd) == 0 && ok;
        }
    }
    return ok;
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
    bool ok = sync_files(files);
    std::set<std::string> folders;
    for (const std::string& file : files) folders.insert(folder_of(file));
    for (const std::string& folder : folders) ok = sync_path(folder, O_RDONLY | O_DIRECTORY) && ok;
    return ok;
}

}  // namespace velmo::store
