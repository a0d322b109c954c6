// The message-parser bench's contestants. Each loads every file of a list and asks the same
// questions of it: subject (decoded), sender name and address, first To address and date.
// Each returns its wall time and the total number of characters of its answers (so no work is skipped,
// and the three can be seen to answer alike).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct PeerResult {
    double seconds = -1;        // negative when the peer could not run
    std::size_t answer_bytes = 0;
};

PeerResult run_velmo(const std::vector<std::string>& files);
PeerResult run_gmime(const std::vector<std::string>& files);
// Runs mime_bench.py with python3 over the files; the script times itself.
PeerResult run_python(const std::vector<std::string>& files, const std::string& list_file);

}  // namespace bench
