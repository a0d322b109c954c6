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

bool read_file_bytes(const std::string& path, std::string& into) {
    if (path.empty()) return false;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    try {
        // Read straight into the string; a file that grows meanwhile is read to its end.
        std::size_t size = static_cast<std::size_t>(st.st_size);
        into.resize(size + 1);
        std::size_t got = 0;
        while (true) {
            if (got == into.size()) into.resize(into.size() * 2);
            ssize_t n = ::read(fd.get(), into.data() + got, into.size() - got);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        into.resize(got);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
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
