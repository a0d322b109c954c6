#include "store/message_file.h"

#include "store/deferred_sync.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

#include <algorithm>
#include <vector>

namespace velmo::store {
namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now, reporting whether the close itself succeeded (a late write error shows here).
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Moves the written temporary file to path (see write_message_file).
WriteResult place_file(const char* temp, const std::string& path, bool replace) {
    if (replace) {
        if (::rename(temp, path.c_str()) == 0) return WriteResult::written;
        ::unlink(temp);
        return WriteResult::failed;
    }
    // Moved without replacing an existing entry, in one step where the file system can.
    if (::renameat2(AT_FDCWD, temp, AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return WriteResult::written;
    if (errno == EEXIST) {
        ::unlink(temp);
        return WriteResult::exists;
    }
    // Elsewhere link() never replaces an existing entry, which rename() would. File systems
    // without hard links fall back to a test and a rename.
    WriteResult result = WriteResult::written;
    if (::link(temp, path.c_str()) != 0) {
        struct stat st {};
        if (errno == EEXIST || ::lstat(path.c_str(), &st) == 0)
            result = WriteResult::exists;
        else if (::rename(temp, path.c_str()) != 0)
            result = WriteResult::failed;
    }
    ::unlink(temp);
    return result;
}

}  // namespace

std::optional<std::string> read_message_file(const std::string& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (static_cast<unsigned long long>(st.st_size) > kMaxMessageBytes) return std::nullopt;

    std::string text;
    text.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    // The file may change size while being read: take what is there, within the limit.
    for (;;) {
        if (got == text.size()) {
            if (text.size() >= kMaxMessageBytes) {
                char probe;
                ssize_t more = ::read(fd.get(), &probe, 1);
                if (more > 0) return std::nullopt;
                break;
            }
            text.resize(std::min(kMaxMessageBytes, text.size() + 4096));
        }
        ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    if (size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
    return text;
}

std::string folder_of(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

WriteResult write_message_file(const std::string& path, std::string_view bytes, bool replace, SyncMode sync) {
    std::string temp_path = folder_of(path) + "/.~XXXXXX";
    std::vector<char> templ(temp_path.begin(), temp_path.end());
    templ.push_back('\0');
    Fd fd(::mkostemp(templ.data(), O_CLOEXEC));
    if (fd.get() < 0) return WriteResult::failed;
    const char* temp = templ.data();

    bool ok = write_all(fd.get(), bytes);
    if (ok && sync == SyncMode::now) ok = ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    if (!ok) {
        ::unlink(temp);
        return WriteResult::failed;
    }
    const WriteResult result = place_file(temp, path, replace);
    if (result == WriteResult::written && sync == SyncMode::deferred) defer_sync(path);
    return result;
}

}  // namespace velmo::store
