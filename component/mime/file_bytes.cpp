#include "mime/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>

namespace velmo {
namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

std::optional<std::string> read_file_bytes(const std::string& path) {
    if (path.empty()) return std::nullopt;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    std::string bytes;
    try {
        bytes.reserve(static_cast<std::size_t>(st.st_size));
        char chunk[65536];
        while (true) {
            ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                return std::nullopt;
            }
            bytes.append(chunk, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return bytes;
}

bool write_file_bytes(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    std::FILE* f = std::fopen(path.c_str(), "w+b");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

}  // namespace velmo
