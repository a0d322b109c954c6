#include "store/folder_listing.h"

#include <filesystem>

#include "store/name_codec.h"

namespace velmo::store {

std::optional<std::vector<FolderEntry>> list_folder(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(path, ec);
    if (ec) return std::nullopt;
    std::vector<FolderEntry> entries;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return std::nullopt;
        std::error_code kind_ec;
        bool folder = it->is_directory(kind_ec);
        entries.push_back({it->path().filename().string(), folder && !kind_ec});
    }
    if (ec) return std::nullopt;
    return entries;
}

std::optional<std::vector<std::string>> list_message_files(const std::string& path) {
    auto entries = list_folder(path);
    if (!entries) return std::nullopt;
    std::vector<std::string> names;
    for (FolderEntry& e : *entries)
        if (!e.is_folder && is_message_file_name(e.name)) names.push_back(std::move(e.name));
    return names;
}

}  // namespace velmo::store
