// TempDir: a fresh folder under $TMPDIR (or /tmp, or a base given), removed with everything in
// it at the end.
#pragma once

#include <filesystem>
#include <string_view>

namespace halvex::testnet {

class TempDir {
public:
    // `prefix` starts the folder's name; a non-empty `base` is the folder it is made in.
    // Throws std::runtime_error when it cannot be made.
    explicit TempDir(std::string_view prefix = "halvex-test-", std::string_view base = {});
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace halvex::testnet
