// Listing one folder in the order the directory gives its entries; nothing is sorted and
// "." and ".." never appear. Each listing reads the disk afresh.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmo::store {

struct FolderEntry {
    std::string name;
    bool is_folder = false;  // a folder, or a link to one
};

// The entries of the folder, or nothing when it cannot be listed.
std::optional<std::vector<FolderEntry>> list_folder(const std::string& path);

// Entries that are not folders and whose names count as message files, in listing order.
std::optional<std::vector<std::string>> list_message_files(const std::string& path);

}  // namespace velmo::store
