// The attachment bench's contestants: each loads one message file and writes all of its
// attachments, decoded, into a folder. Each returns its wall time and the bytes it wrote.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

struct SaveResult {
    double seconds = -1;  // negative when the peer could not run
    std::size_t written = 0;
};

SaveResult velmo_save_all(const std::string& file, const std::string& folder);
SaveResult gmime_save_all(const std::string& file, const std::string& folder);
SaveResult python_save_all(const std::string& file, const std::string& folder);

}  // namespace bench
