#include "net/temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace halvex::testnet {

TempDir::TempDir(std::string_view prefix, std::string_view base) {
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string parent = !base.empty() ? std::string(base) : tmpdir && *tmpdir ? tmpdir : "/tmp";
    std::string pattern = parent + "/" + std::string(prefix) + "XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw std::runtime_error("cannot create a temporary folder from " + pattern);
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace halvex::testnet
