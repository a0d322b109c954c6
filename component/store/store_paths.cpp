#include "store/store_paths.h"

#include <pwd.h>
#include <unistd.h>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "store/name_codec.h"

namespace velmo::store {
namespace {

std::string env_or_empty(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string home_folder() {
    std::string home = env_or_empty("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::string without_trailing_slashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Whether the name, split at "/", reaches outside the root or only the root itself.
bool leaves_or_is_root(std::string_view name) {
    bool names_a_folder = false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        std::string_view part = name.substr(start, end - start);
        if (part == "..") return true;
        if (!part.empty() && part != ".") names_a_folder = true;
        start = end + 1;
    }
    return !names_a_folder;
}

}  // namespace

std::string resolve_store_root() {
    std::string root = env_or_empty("VELMO_MAILFOLDERS");
    if (root.empty()) {
        std::string data = env_or_empty("XDG_DATA_HOME");
        // The XDG rule: a relative XDG_DATA_HOME is invalid and ignored.
        if (data.empty() || data.front() != '/') data = home_folder() + "/.local/share";
        root = without_trailing_slashes(data) + "/velmo/MailFolders";
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(root, ec);
    if (!ec) root = absolute.string();
    return without_trailing_slashes(root);
}

bool path_fits_platform(std::string_view path) {
    if (path.size() >= PATH_MAX) return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end - start > NAME_MAX) return false;
        start = end + 1;
    }
    return true;
}

std::optional<std::string> mailbox_path(std::string_view root, std::string_view mailbox) {
    if (mailbox.find('\0') != std::string_view::npos) return std::nullopt;
    if (!mailbox.empty() && mailbox.front() == '/') return std::nullopt;
    if (leaves_or_is_root(mailbox)) return std::nullopt;
    std::string path;
    path.reserve(root.size() + 1 + mailbox.size());
    path.append(root).append("/").append(mailbox);
    if (!path_fits_platform(path)) return std::nullopt;
    return path;
}

std::optional<std::string> message_path(std::string_view root, std::string_view mailbox,
                                        std::string_view id) {
    if (id.find('\0') != std::string_view::npos) return std::nullopt;
    std::string name = message_file_name(id);
    if (name.find('/') != std::string::npos) return std::nullopt;
    std::optional<std::string> box = mailbox_path(root, mailbox);
    if (!box) return std::nullopt;
    std::string path = *box + "/" + name;
    if (!path_fits_platform(path)) return std::nullopt;
    return path;
}

}  // namespace velmo::store
