#include "store/deferred_sync.h"

#include "store/message_file.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <map>
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

// Whether syncfs on this filesystem writes back and flushes all that an fsync of each of its
// files would: the local disk filesystems and tmpfs.
bool syncfs_reaches_the_disk(int fd) {
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0) return false;
    switch (fs.f_type) {
        case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case F2FS_SUPER_MAGIC:
        case TMPFS_MAGIC:
            return true;
        default:
            return false;
    }
}

// Each is still a regular file: one removed meanwhile (or put aside for something else) is
// not a kept copy.
bool all_present(const std::vector<std::string>& files) {
    bool ok = true;
    for (const std::string& file : files) {
        struct stat st {};
        ok = ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ok;
    }
    return ok;
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

bool sync_deferred(SyncWay way) {
    std::vector<std::string> files;
    {
        std::lock_guard lock(guard());
        files.swap(owed());
    }
    std::map<std::string, std::vector<std::string>> by_folder;
    for (std::string& file : files) by_folder[folder_of(file)].push_back(std::move(file));
    bool ok = true;
    std::set<dev_t> synced;  // filesystems already synced whole
    for (const auto& [folder, names] : by_folder) {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            ok = false;
            continue;
        }
        struct stat st {};
        if (way == SyncWay::whole_filesystem && syncfs_reaches_the_disk(fd) && ::fstat(fd, &st) == 0) {
            ok = all_present(names) && ok;
            if (synced.insert(st.st_dev).second) ok = ::syncfs(fd) == 0 && ok;
        } else {
            ok = sync_files(names) && ::fsync(fd) == 0 && ok;
        }
        ok = ::close(fd) == 0 && ok;
    }
    return ok;
}

}  // namespace velmo::store
