#include "mime/attachment_files.h"

#include <limits.h>
#include <unistd.h>

#include "mime/file_bytes.h"

namespace velmo {
namespace {

// PATH_MAX and NAME_MAX count the terminating NUL out and in respectively.
constexpr std::size_t kMaxPath = PATH_MAX - 1;
constexpr std::size_t kMaxName = NAME_MAX;

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

}  // namespace

bool save_path_fits(std::string_view path) { return path_fits(path); }

std::string safe_attachment_name(std::string_view name, std::string_view fallback) {
    std::size_t cut = name.find_last_of("/\\");
    if (cut != std::string_view::npos) name.remove_prefix(cut + 1);
    if (name.empty() || name == "." || name == "..") return std::string(fallback);
    return std::string(name);
}

std::optional<std::string> attachment_target(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::nullopt;
    std::string path(folder);
    if (path.back() != '/') path.push_back('/');
    path += name;
    if (!path_fits(path)) return std::nullopt;
    return path;
}

bool save_bytes(const std::string& path, std::span<const unsigned char> bytes) {
    if (!path_fits(path)) return false;
    return write_file_bytes(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool delete_file(const std::string& path) {
    if (!path_fits(path)) return false;
    return ::unlink(path.c_str()) == 0;
}

}  // namespace velmo
