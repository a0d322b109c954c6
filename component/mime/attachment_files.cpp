#include "mime/attachment_files.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>

namespace velmo {
namespace {

// PATH_MAX and NAME_MAX count the terminating NUL out and in respectively.
constexpr std::size_t kMaxPath = PATH_MAX - 1;
constexpr std::size_t kMaxName = NAME_MAX;
// Tries of variant names per save before giving up: a bound for a folder full of them.
constexpr unsigned kMaxTries = 100000;
constexpr int kNewFile = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

bool path_fits(std::string_view path) {
    if (path.empty() || path.size() > kMaxPath) return false;
    if (path.find('\0') != std::string_view::npos) return false;  // would cut the path short
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        if (end - start > kMaxName) return false;
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    return true;
}

bool is_file_name(std::string_view name) {
    return !name.empty() && name.size() <= kMaxName && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// Fills the new file `fd`; on failure removes it through `remove`.
template <class Remove>
bool fill(int fd, const FileWriter& write, Remove&& remove) {
    bool ok = write(fd);
    if (::close(fd) != 0) ok = false;
    if (!ok) remove();
    return ok;
}

}  // namespace

std::string safe_attachment_name(std::string_view name, std::string_view fallback) {
    std::size_t cut = name.find_last_of("/\\");
    if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
    if (name.empty() || name == "." || name == "..") return std::string(fallback);
    if (name.front() == '.') return "_" + std::string(name);
    return std::string(name);
}

std::string name_variant(std::string_view name, unsigned k) {
    std::size_t dot = name.rfind('.');
    if (dot == 0 || dot == std::string_view::npos) dot = name.size();
    std::string_view stem = name.substr(0, dot), extension = name.substr(dot);
    const std::string mark = " (" + std::to_string(k) + ")";
    while (!stem.empty() && stem.size() + mark.size() + extension.size() > kMaxName) {
        stem.remove_suffix(1);
        // Never leave half a UTF-8 character: drop continuation bytes with their lead byte.
        while (!stem.empty() && (static_cast<unsigned char>(stem.back()) & 0xC0) == 0x80) stem.remove_suffix(1);
        if (!stem.empty() && static_cast<unsigned char>(stem.back()) >= 0xC0) stem.remove_suffix(1);
    }
    return std::string(stem) + mark + std::string(extension);
}

std::optional<std::string> attachment_target(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::nullopt;
    std::string path(folder);
    if (path.back() != '/') path.push_back('/');
    path += name;
    if (!path_fits(path)) return std::nullopt;
    return path;
}

SaveFolder::SaveFolder(const std::string& path) {
    if (path_fits(path)) fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

SaveFolder::~SaveFolder() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> SaveFolder::save(const std::string& name, const FileWriter& write) {
    if (fd_ < 0 || !is_file_name(name)) return std::nullopt;
    unsigned& next = next_variant_[name];  // 0 is the name itself
    for (unsigned tries = 0; tries < kMaxTries; ++tries) {
        std::string candidate = next == 0 ? name : name_variant(name, next);
        int fd = ::openat(fd_, candidate.c_str(), kNewFile, 0666);
        if (fd < 0 && errno == EINTR) continue;
        if (fd < 0 && errno != EEXIST) return std::nullopt;
        ++next;
        if (fd < 0) continue;
        if (!fill(fd, write, [&] { ::unlinkat(fd_, candidate.c_str(), 0); })) return std::nullopt;
        return candidate;
    }
    return std::nullopt;
}

bool save_new_file(const std::string& path, const FileWriter& write) {
    if (!path_fits(path)) return false;
    int fd;
    do {
        fd = ::open(path.c_str(), kNewFile, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    return fill(fd, write, [&] { ::unlink(path.c_str()); });
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool delete_file(const std::string& path) {
    if (!path_fits(path)) return false;
    return ::unlink(path.c_str()) == 0;
}

}  // namespace velmo
